#pragma once

// What the pass benchmarks share: the window's picture size, the views they measure, and a
// pass observer that watches nothing.

#include "engine/render_pass.h"

namespace zolt::bench {

constexpr int kWidth = 760;
constexpr int kHeight = 620;
constexpr double kEscape = 200.0;

struct View {
    const char* name;
    GenerationSnapshot numbers;
};

// The home view, where most points escape within a few steps, and a view along the boundary,
// where orbits run long.
inline const View kViews[] = {
    {"home", {-2.5, 1.25, -1.5, 0.0, 250, kEscape}},
    {"boundary", {-0.7453, -0.7433, 0.1127, 0.0, 5000, kEscape}},
};

class Unobserved final : public PassObserver {
  public:
    void RowBegun(int) override {}
    void RowFinished(int) override {}
};

}  // namespace zolt::bench
