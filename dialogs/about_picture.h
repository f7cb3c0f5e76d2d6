#pragma once

#include <vector>

#include "engine/image_buffer.h"

namespace zolt {

// The about dialog's picture: the whole Mandelbrot set in the program's own colours, drawn by
// its own iteration, `pixels` wide and high (so that a sharp copy can be made for any screen
// density).
ImageBuffer RenderAboutPicture(int pixels);

}  // namespace zolt
