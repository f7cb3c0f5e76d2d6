#include "dialogs/export_dialog.h"

#include <QCheckBox>
#include <QComboBox>
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
constexpr const char* kLastSupersample = "LastSupersample";

// The value last accepted, when the store holds one from `low` to `high`.
std::optional<int> LastValue(RegistryStore* store, const char* name, int low, int high) {
    if (store == nullptr)
        return std::nullopt;
    auto key = store->OpenSection(kSection, false);
    if (!key)
        return std::nullopt;
    int value = 0;
    const bool read = store->ReadInteger(*key, name, value);
    store->CloseSection(*key);
    if (!read || value < low || value > high)
        return std::nullopt;
    return value;
}

void KeepChoice(RegistryStore* store, const PictureChoice& choice) {
    if (store == nullptr)
        return;
    // Not kept is no reason to stop the export: the next one starts from the view's width.
    if (auto key = store->OpenSection(kSection, true)) {
        store->WriteInteger(*key, kLastWidth, choice.size.width);
        store->WriteInteger(*key, kLastSupersample, choice.supersample);
        store->CloseSection(*key);
    }
}

QComboBox* SamplesBox(QDialog& dialog, int chosen) {
    auto* box = new QComboBox(&dialog);
    box->setObjectName(QStringLiteral("antialiasing"));
    box->addItem(QStringLiteral("Off"), 1);
    for (int n = 2; n <= kMaxSupersample; ++n)
        box->addItem(QStringLiteral("%1 \u00d7 %1 samples a pixel").arg(n), n);
    box->setCurrentIndex(box->findData(chosen));
    box->setToolTip(
        QStringLiteral("Smoother edges and filaments: each pixel is the average of "
                       "N \u00d7 N points, which takes about N\u00b2 times as long."));
    return box;
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

std::optional<PictureChoice> AskPictureSize(QWidget* parent, const FractalDef& def, ViewSize view,
                                            RegistryStore* store) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ExportDlg"));
    dialog.setWindowTitle(QStringLiteral("Export Image"));
    QSpinBox* width = SideBox(dialog, "width",
                              LastValue(store, kLastWidth, 1, kMaxPictureSide)
                                  .value_or(std::clamp(view.width, 1, kMaxPictureSide)));
    QSpinBox* height = SideBox(dialog, "height", std::clamp(view.height, 1, kMaxPictureSide));
    auto* keep = new QCheckBox(QStringLiteral("&Keep the view's proportions"), &dialog);
    keep->setObjectName(QStringLiteral("keep"));
    keep->setChecked(true);
    QComboBox* samples =
        SamplesBox(dialog, LastValue(store, kLastSupersample, 1, kMaxSupersample).value_or(1));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);

    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("&Width:"), width);
    form->addRow(QStringLiteral("&Height:"), height);
    form->addRow(keep);
    form->addRow(QStringLiteral("&Anti-aliasing:"), samples);
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
    const PictureChoice choice{{width->value(), height->value()}, samples->currentData().toInt()};
    KeepChoice(store, choice);
    return choice;
}

}  // namespace zolt
