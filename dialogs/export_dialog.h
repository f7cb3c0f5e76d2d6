#pragma once

#include <optional>

#include "engine/fractal_def.h"

class QWidget;

namespace zolt {

// File > Export Image's first question: the size of the picture, width and height from 1 to
// 65536 pixels, the view's size to begin with. While "Keep the view's proportions" is ticked
// (it is at first) the height follows the width, so that the picture shows what the view shows.
// None when the user cancels.
std::optional<ViewSize> AskPictureSize(QWidget* parent, const FractalDef& def, ViewSize view);

}  // namespace zolt
