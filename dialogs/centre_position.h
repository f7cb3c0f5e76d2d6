#pragma once

#include "dialogs/layout_geometry.h"

namespace zolt {

// Top-left corner that centres a window of the given outer size over the reference's outer
// rectangle, halving toward zero. Nothing keeps the result on the screen: a window larger than
// its reference starts above and to the left of the reference's corner.
LayoutPoint CentredPosition(const LayoutRect& reference, LayoutSize window);

}  // namespace zolt
