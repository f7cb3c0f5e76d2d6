#pragma once

#include <QDialog>
#include <QString>
#include <string>
#include <utility>

namespace zolt {

// The program's dialog templates by name ("AboutDlg", "DefaultsDlg", "ObjectDlg"): each
// supplies a dialog's controls with their ids, kinds, texts and styles, in tab order. Where
// the controls go is for the dialog's own layout; each control starts at its natural size and
// the window at a placeholder size that the first layout enlarges.
//
// Builds the named template into `dialog`; false for a name that has no template.
bool BuildDialogTemplate(const std::string& name, QDialog& dialog);

void BuildObjectTemplate(QDialog& dialog);
void BuildDefaultsTemplate(QDialog& dialog);
void BuildAboutTemplate(QDialog& dialog);

// A control of the template: its id becomes its object name.
template <class Control, class... Args>
Control* AddControl(QDialog& dialog, int id, Args&&... args) {
    auto* control = new Control(std::forward<Args>(args)..., &dialog);
    control->setObjectName(QString::number(id));
    return control;
}

// Gives every control its natural size, once the texts are in place.
void SizeControlsNaturally(QDialog& dialog);

}  // namespace zolt
