#pragma once

// The reference renderer for the deep engine's tests: every pixel iterated in MPFR, by the
// counting rule of IteratePoint, at 128 bits more than the view's depth.

#include <string>
#include <vector>

#include "engine/deep_view.h"

namespace zolt::test {

struct BruteImage {
    DeepView view;
    // Row by row. A pixel whose count changes when c moves by a millionth of a pixel along
    // either axis, either way, is stored negated: its count is not a fair test.
    std::vector<int> counts;
};

// Renders `view` (whose texts must be valid); slow: seconds for a few hundred pixels deep down.
BruteImage RenderBruteForce(const DeepView& view);

// The stored form: the view's lines, then one line of counts per row.
std::string WriteBruteImage(const BruteImage& image);
bool ReadBruteImage(const std::string& text, BruteImage& out);

}  // namespace zolt::test
