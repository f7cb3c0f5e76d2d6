#include "dialogs/export_dialog.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>

#include "commands/picture_export.h"
#include "generation/picture.h"
#include "settings/registry_store.h"

namespace zolt {

namespace {

constexpr const char* kSection = "Export";
constexpr const char* kLastWidth = "LastWidth";

// The width last accepted, when the store holds one a picture can have.
std::optional<int> LastWidth(RegistryStore* store) {
    if (store == nullptr)
        return std::nullopt;
    auto key = store->OpenSection(kSection, false);
    if (!key)
        return std::nullopt;
    int width = 0;
    const bool read = store->ReadInteger(*key, kLastWidth, width);
    store->CloseSection(*key);
    if (!read || width < 1 || width > kMaxPictureSide)
        return std::nullopt;
    return width;
}

void KeepWidth(RegistryStore* store, int width) {
    if (store == nullptr)
        return;
    // Not kept is no reason to stop the export: the next one starts from the view's width.
    if (auto key = store->OpenSection(kSection, true)) {
        store->WriteInteger(*key, kLastWidth, width);
        store->CloseSection(*key);
    }
}

QSpinBox* SideBox(QDialog& dialog, const char* name, int value) {
    auto* box = new QSpinBox(&dialog);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(1, kMaxPictureSide);
    box->setSuffix(QStringLiteral(" pixels"));
    box->setValue(value);
    return box;
}

}  // namespace

std::optional<ViewSize> AskPictureSize(QWidget* parent, const FractalDef& def, ViewSize view,
                                       RegistryStore* store) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ExportDlg"));
    dialog.setWindowTitle(QStringLiteral("Export Image"));
    QSpinBox* width = SideBox(
        dialog, "width", LastWidth(store).value_or(std::clamp(view.width, 1, kMaxPictureSide)));
    QSpinBox* height = SideBox(dialog, "height", std::clamp(view.height, 1, kMaxPictureSide));
    auto* keep = new QCheckBox(QStringLiteral("&Keep the view's proportions"), &dialog);
    keep->setObjectName(QStringLiteral("keep"));
    keep->setChecked(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);

    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("&Width:"), width);
    form->addRow(QStringLiteral("&Height:"), height);
    form->addRow(keep);
    form->addRow(buttons);

    const auto follow = [&] {
        height->setEnabled(!keep->isChecked());
        if (keep->isChecked())
            height->setValue(ProportionalHeight(def, width->value(), view));
    };
    QObject::connect(width, &QSpinBox::valueChanged, &dialog, follow);
    QObject::connect(keep, &QCheckBox::toggled, &dialog, follow);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    follow();
    width->selectAll();

    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    KeepWidth(store, width->value());
    return ViewSize{width->value(), height->value()};
}

}  // namespace zolt
