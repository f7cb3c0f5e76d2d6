#pragma once

#include "shell/command_table.h"

class QPainter;

namespace zolt {

// Pictures are drawn on a square of this many units, whatever their size in pixels.
inline constexpr double kArtUnits = 18.0;

// Draws `art` into the square (0, 0)-(18, 18) of `painter`'s coordinates, which cover
// `pixels` device pixels across; the Mandelbrot silhouette is computed at that resolution.
void PaintArt(QPainter& painter, Art art, int pixels);

}  // namespace zolt
