#pragma once

#include "engine/image_buffer.h"
#include "surface/selection_geometry.h"

namespace zolt {

// Draws the zoom marker for `box` into `target`: a white one-pixel frame along the inside of
// the box, a white cross at its centre reaching a fifteenth of each side out, and over it a
// black cross reaching a sixtieth. Plain colours, so it shows on any image. Clipped to the
// target.
void DrawSelectionMarker(const PixelTarget& target, const SelectionBox& box);

}  // namespace zolt
