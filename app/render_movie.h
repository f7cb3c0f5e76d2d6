#pragma once

#include "app/render_options.h"
#include "engine/fractal_def.h"

namespace zolt {

// zolt-render --movie and --frames: the zoom movie that ends at `def`, with a progress line on a
// terminal and, with --verbose, a line for every keyframe computed. Returns the exit status: 0
// written, 1 failed (one line on stderr says why), 2 for settings the view does not allow.
int RenderMovie(const RenderOptions& options, const FractalDef& def);

}  // namespace zolt
