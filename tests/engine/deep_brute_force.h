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

// The samples beyond the count of pixel (x, y) by their formulas, in MPFR: the orbit followed
// from its escape until |z|^2 passes 2^24 (j steps in all), the fraction j - n - log2(ln|z| /
// ln R), and the distance z ln|z| / (z' dx) in pixels with z' = dz_j/dc by a central difference
// (independent of the recurrence the engine carries).
struct BruteSamples {
    int count = 0;
    double fraction = 0.0;
    double dex = 0.0;
    double dey = 0.0;
};
BruteSamples BruteOrbitSamples(const DeepView& view, int x, int y);

// The stored form: the view's lines, then one line of counts per row.
std::string WriteBruteImage(const BruteImage& image);
bool ReadBruteImage(const std::string& text, BruteImage& out);

}  // namespace zolt::test
