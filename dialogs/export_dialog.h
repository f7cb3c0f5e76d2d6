#pragma once

#include <optional>

#include "engine/fractal_def.h"

class QWidget;

namespace zolt {

class RegistryStore;

// File > Export Image's first question: the size of the picture, width and height from 1 to
// 65536 pixels. The width starts at the one last accepted (kept in `store`, section "Export",
// value "LastWidth"), the view's own the first time. While "Keep the view's proportions" is
// ticked (it is at first) the height follows the width, so that the picture shows what the view
// shows. None when the user cancels.
std::optional<ViewSize> AskPictureSize(QWidget* parent, const FractalDef& def, ViewSize view,
                                       RegistryStore* store = nullptr);

}  // namespace zolt
