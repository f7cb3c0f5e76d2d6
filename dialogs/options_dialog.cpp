#include "dialogs/options_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <memory>

#include "dialogs/dialog_controls.h"
#include "dialogs/field_text.h"
#include "dialogs/options_fields.h"
#include "dialogs/options_layout.h"
#include "generation/generation_defaults.h"
#include "surface/ui_surface.h"

namespace zolt {

OptionsDialog::OptionsDialog(QCoreApplication* instance, UiSurface& ui, QWidget* owner)
    : ModalDialog(instance, "DefaultsDlg", ui, owner) {}

int OptionsDialog::RunFor(GenerationDefaults* settings) {
    settings_ = settings;
    if (settings_ == nullptr) {
        ClearAccepted();
        Ui().ShowMessage("Defaults not available.");
        return -1;
    }
    return Run();
}

bool OptionsDialog::OnMessage(QDialog& window, DialogMessage message, int control) {
    switch (message) {
        case DialogMessage::Init:
            Open(window);
            return true;
        case DialogMessage::SelectionChanged:
            // Only the initial size constrains the other list.
            return control == kInitialResolutionId ? RelinkLists() : true;
        case DialogMessage::Clicked:
        case DialogMessage::TextChanged:
            return false;
    }
    return false;
}

void OptionsDialog::Open(QDialog& window) {
    CentreWindow(nullptr, window);
    const DefaultValues& values = settings_->values;
    if (auto* autoGenerate = FindControlOf<QAbstractButton>(window, kAutoGenerateId))
        autoGenerate->setChecked(values.AutoGenerate);
    initial_.Bind(&window, kInitialResolutionId);
    penultimate_.Bind(&window, kPenultimateResolutionId);
    const ResolutionChoices initial = InitialChoices(values.InitialResolution);
    initial_.FillHalving(initial.high, initial.low, initial.selected);
    const ResolutionChoices penultimate =
        PenultimateChoices(values.InitialResolution, values.PenultimateResolution);
    penultimate_.FillHalving(penultimate.high, penultimate.low, penultimate.selected);
    penultimate_.EnableChoices(penultimate.enabled);
    SetControlText(window, kIncrementId, WriteCountField(values.IterativeIncrement));
}

bool OptionsDialog::RelinkLists() {
    const auto initial = initial_.SelectedValue();
    const auto penultimate = penultimate_.SelectedValue();
    if (!initial || !penultimate)
        return false;
    const ResolutionChoices relinked = RelinkPenultimate(*initial, *penultimate);
    penultimate_.EnableChoices(relinked.enabled);
    penultimate_.FillHalving(relinked.high, relinked.low, relinked.selected);
    return true;
}

void OptionsDialog::OnSize(QDialog& window) {
    ApplyLayout(window, &LayOutOptions, nullptr);
}

bool OptionsDialog::OnOk(QDialog& window) {
    const auto* autoGenerate = FindControlOf<QAbstractButton>(window, kAutoGenerateId);
    const OptionsEntries entries{autoGenerate != nullptr && autoGenerate->isChecked(),
                                 initial_.SelectedValue(), penultimate_.SelectedValue(),
                                 ControlText(window, kIncrementId)};
    return AcceptOptions(entries, *settings_, Ui());
}

void InstallOptionsDialog(GenerationDefaults& defaults, UiSurface& ui, QWidget* parent) {
    auto dialog = std::make_shared<OptionsDialog>(QCoreApplication::instance(), ui, parent);
    defaults.SetEditor([dialog](GenerationDefaults& settings) { dialog->RunFor(&settings); });
}

}  // namespace zolt
