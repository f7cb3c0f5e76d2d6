#pragma once

#include <atomic>

#include "engine/fractal_def.h"

namespace zolt {

// Trial pictures are at most this many pixels across and down.
inline constexpr int kTrialSide = 200;

// zolt-render --auto-iterations: the iteration limit for a picture of `def` at `width` x
// `height`, found by trial pictures of the same view at low resolution on `threads` threads.
// From the definition's own limit, each starved trial raises it by the rule of automatic
// iterations (generation/iteration_rule.h), up to eight trials; the first trial that is not
// starved keeps its limit. The definition's limit when `cancel` is set meanwhile.
int TrialIterations(const FractalDef& def, int width, int height, int threads,
                    const std::atomic<bool>* cancel = nullptr);

}  // namespace zolt
