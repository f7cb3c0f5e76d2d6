#include "dialogs/fractal_dialog.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLineEdit>

#include "dialogs/dialog_controls.h"
#include "dialogs/properties_accept.h"
#include "dialogs/properties_layout.h"
#include "document/current_fractal.h"
#include "surface/ui_surface.h"

namespace zolt {

FractalDialog::FractalDialog(QCoreApplication* instance, UiSurface& ui, CurrentFractal& current,
                             QWidget* owner, const Generator* generator)
    : ModalDialog(instance, "ObjectDlg", ui, owner), current_(current), generator_(generator) {}

int FractalDialog::RunInMode(int mode) {
    if (mode != kNewFractalMode && mode != kPropertiesMode) {
        ClearAccepted();
        Ui().ShowMessage("Invalid object dialog mode.");
        return -1;
    }
    mode_ = mode;
    return Run();
}

bool FractalDialog::OnMessage(QDialog& window, DialogMessage message, int control) {
    switch (message) {
        case DialogMessage::Init:
            Open(window);
            return true;
        case DialogMessage::Clicked:
            if (control != kMonochromeId)
                return false;
            FollowMonochrome(window);
            return true;
        case DialogMessage::TextChanged:
            // Qfinish follows the coordinates only; typing elsewhere changes nothing shown.
            if (control == kPstartId || control == kPfinishId || control == kQstartId) {
                if (const auto qfinish = LiveQfinish(ReadEntries(window), Ui()))
                    SetControlText(window, kQfinishId, *qfinish);
            }
            return true;
        case DialogMessage::SelectionChanged:
            return false;
    }
    return false;
}

void FractalDialog::Open(QDialog& window) {
    CentreWindow(Owner(), window);
    EnableControl(window, kQfinishId, false);
    EnableControl(window, kOkId, true);
    colours_.Bind(&window, kColoursId);
    const FractalDef def = OpeningDefinition(mode_, current_, Ui());
    if (mode_ == kNewFractalMode) {
        window.setWindowTitle("New fractal");
    } else {
        window.setWindowTitle("Properties");
        // A running generation holds the definition: it can be looked at, not changed.
        if (def.AspectLocked)
            EnableControl(window, kOkId, false);
    }
    Fill(window, def);
    // The name comes first and is selected, so typing replaces it, as on every desktop.
    if (auto* name = FindControlOf<QLineEdit>(window, kNameId)) {
        name->setFocus(Qt::OtherFocusReason);
        name->selectAll();
    }
}

void FractalDialog::Fill(QDialog& window, const FractalDef& def) {
    const PropertiesEntries entries = EntriesFor(def, Ui().ViewClientSize());
    SetControlText(window, kNameId, entries.name);
    SetControlText(window, kPstartId, entries.pstart);
    SetControlText(window, kPfinishId, entries.pfinish);
    SetControlText(window, kQstartId, entries.qstart);
    SetControlText(window, kQfinishId, entries.qfinish);
    SetControlText(window, kIterationsId, entries.iterations);
    SetControlText(window, kEscapeId, entries.escape);
    if (auto* monochrome = FindControlOf<QAbstractButton>(window, kMonochromeId))
        monochrome->setChecked(entries.monochrome);
    SetControlText(window, kModulationId, entries.modulation);
    EnableControl(window, kModulationId, entries.monochrome);
    const ColourChoices choices = ColourChoicesFor(Ui().ViewColourCount(), def.Appearance.Colours);
    colours_.FillHalving(choices.high, choices.low, choices.selected);
    colours_.EnableChoices(!entries.monochrome);
}

void FractalDialog::FollowMonochrome(QDialog& window) {
    const auto* monochrome = FindControlOf<QAbstractButton>(window, kMonochromeId);
    const bool on = monochrome != nullptr && monochrome->isChecked();
    EnableControl(window, kModulationId, on);
    colours_.EnableChoices(!on);
}

PropertiesEntries FractalDialog::ReadEntries(const QDialog& window) const {
    PropertiesEntries entries;
    entries.name = ControlText(window, kNameId);
    entries.pstart = ControlText(window, kPstartId);
    entries.pfinish = ControlText(window, kPfinishId);
    entries.qstart = ControlText(window, kQstartId);
    entries.iterations = ControlText(window, kIterationsId);
    entries.escape = ControlText(window, kEscapeId);
    const auto* monochrome = FindControlOf<QAbstractButton>(window, kMonochromeId);
    entries.monochrome = monochrome != nullptr && monochrome->isChecked();
    entries.modulation = ControlText(window, kModulationId);
    return entries;
}

void FractalDialog::OnSize(QDialog& window) {
    ApplyLayout(window, &LayOutProperties, Owner());
}

bool FractalDialog::OnOk(QDialog& window) {
    return AcceptProperties(mode_, ReadEntries(window), colours_.SelectedValue(), current_, Ui(),
                            generator_);
}

}  // namespace zolt
