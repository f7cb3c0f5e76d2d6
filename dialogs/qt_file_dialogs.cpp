#include "dialogs/qt_file_dialogs.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QWidget>

namespace zolt {

namespace {

// "*" and not "*.*": here a file name need not contain a point to be a file.
const QStringList kNameFilters = {QStringLiteral("Zolt files (*.zlt)"),
                                  QStringLiteral("All files (*)")};

void Prepare(QFileDialog& dialog, const std::string& startDirectory) {
    dialog.setNameFilters(kNameFilters);
    dialog.selectNameFilter(kNameFilters.front());
    dialog.setDefaultSuffix(QStringLiteral("zlt"));
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

std::optional<std::string> QtFileDialogs::AskOpen(const std::string& startDirectory) {
    QFileDialog dialog(owner_);
    Prepare(dialog, startDirectory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return Run(dialog);
}

std::optional<std::string> QtFileDialogs::AskSave(const std::string& startDirectory,
                                                  const std::string& initialName) {
    QFileDialog dialog(owner_);
    Prepare(dialog, startDirectory);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
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
