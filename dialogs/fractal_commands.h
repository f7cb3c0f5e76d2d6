#pragma once

class QWidget;

namespace zolt {

class Workspace;

// File > New: defines a new, untitled fractal in the properties dialog and makes it current,
// then readies the generator (discarding the old image, generating when automatic generation
// is on, recording the view). True when the dialog was accepted.
bool NewFractal(Workspace& workspace, QWidget* parent);

// File > Properties: edits the current fractal in the same dialog; when accepted the generator
// is readied as after New and may also raise the iterations for a changed view.
bool EditProperties(Workspace& workspace, QWidget* parent);

}  // namespace zolt
