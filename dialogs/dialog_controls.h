#pragma once

#include <QWidget>
#include <string>

#include "dialogs/layout_geometry.h"

namespace zolt {

// Dialog controls are found by their id, which is their object name ("302").
QWidget* FindControl(const QWidget& dialog, int id);

template <class Control>
Control* FindControlOf(const QWidget& dialog, int id) {
    return qobject_cast<Control*>(FindControl(dialog, id));
}

// Moves control `id` to (x, y) of the dialog's client area with the given size; a width or
// height of -1 keeps the control's present one. Nothing happens without such a control.
void MoveDialogControl(QWidget& dialog, int id, int x, int y, int width, int height);

// The present sizes of all the dialog's controls, and putting them where a layout says.
ControlSizes MeasureControls(const QWidget& dialog);
void PlaceControls(QWidget& dialog, const ControlPlaces& places);

// Moves the window so that it is centred over the reference window, or over the screen when
// there is none, keeping its size.
void MoveToCentre(const QWidget* reference, QWidget& window);
// Centres the window as MoveToCentre does, then lets it lay itself out again as after a resize.
void CentreWindow(const QWidget* reference, QWidget& window);

// The text of an edit field or label, in UTF-8; empty without such a control.
std::string ControlText(const QWidget& dialog, int id);
void SetControlText(QWidget& dialog, int id, const std::string& text);
void EnableControl(QWidget& dialog, int id, bool enable);

}  // namespace zolt
