#include "dialogs/qt_file_dialogs.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QWidget>

namespace zolt {

namespace {

// "*" and not "*.*": here a file name need not contain a point to be a file.
const QString kAllFiles = QStringLiteral("All files (*)");

void Prepare(QFileDialog& dialog, const std::string& startDirectory, const QStringList& filters,
             const QString& suffix) {
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.front());
    dialog.setDefaultSuffix(suffix);
    dialog.setDirectory(QFile::decodeName(QByteArray::fromStdString(startDirectory)));
}

void CentreOnScreen(QFileDialog& dialog, QWidget* owner) {
    QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    dialog.adjustSize();
    QRect frame = dialog.frameGeometry();
    frame.moveCenter(screen->geometry().center());
    dialog.move(frame.topLeft());
}

}  // namespace

std::optional<std::string> QtFileDialogs::AskOpen(const std::string& startDirectory,
                                                  OpenedKind kind) {
    QFileDialog dialog(owner_);
    if (kind == OpenedKind::Gradient)
        Prepare(dialog, startDirectory,
                {QStringLiteral("Colour maps and GIMP gradients (*.map *.ggr)"), kAllFiles},
                QStringLiteral("ggr"));
    else
        Prepare(dialog, startDirectory,
                {QStringLiteral("Zolt files and pictures (*.zlt *.png)"), kAllFiles},
                QStringLiteral("zlt"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return Run(dialog);
}

std::optional<std::string> QtFileDialogs::AskSave(const std::string& startDirectory,
                                                  const std::string& initialName, SavedKind kind) {
    QFileDialog dialog(owner_);
    if (kind == SavedKind::Picture) {
        const QString exr = QStringLiteral("OpenEXR iteration data (*.exr)");
        Prepare(dialog, startDirectory, {QStringLiteral("PNG pictures (*.png)"), exr, kAllFiles},
                QStringLiteral("png"));
        // A name typed without a suffix takes the one of the kind chosen.
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog, exr](const QString& filter) {
                             dialog.setDefaultSuffix(filter == exr ? QStringLiteral("exr")
                                                                   : QStringLiteral("png"));
                         });
    } else if (kind == SavedKind::Gradient) {
        Prepare(dialog, startDirectory, {QStringLiteral("GIMP gradients (*.ggr)"), kAllFiles},
                QStringLiteral("ggr"));
    } else {
        Prepare(dialog, startDirectory, {QStringLiteral("Zolt files (*.zlt)"), kAllFiles},
                QStringLiteral("zlt"));
    }
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The dialog asks before a file that exists is replaced (Save of a named fractal, which
    // asks nothing, writes without a dialog).
    if (!initialName.empty())
        dialog.selectFile(QFile::decodeName(QByteArray::fromStdString(initialName)));
    return Run(dialog);
}

std::optional<std::string> QtFileDialogs::Run(QFileDialog& dialog) {
    dialog.setWindowModality(Qt::WindowModal);
    CentreOnScreen(dialog, owner_);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty())
        return std::nullopt;
    return QFile::encodeName(chosen.front()).toStdString();
}

}  // namespace zolt
