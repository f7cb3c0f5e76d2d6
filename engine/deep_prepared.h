#pragma once

// The part of a deep reference that pixels read: the reference orbit as doubles and its skip
// table. Shared by the preparation (engine/deep_engine.cpp) and the pixels
// (engine/deep_iterate.cpp); nothing else includes it.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/ext_float.h"

namespace zolt {

// Differences with both parts below 2^kSmallExp are held with a separate exponent. At that
// size dz^2 is still a normal double, so the plain double step loses nothing; and the pixel's
// dc, which may be far below the double range, is below 2^-500 of dz wherever plain doubles
// drop it to a subnormal or zero.
inline constexpr int kSmallExp = -450;
// |dz|^2 below this: the difference is held with its own exponent (both parts then lie below
// 2^kSmallExp).
inline constexpr double kSmallNorm = 0x1p-900;

// The shortest skip stored is 2^kLowestLevel steps: shorter ones cost about what they save.
inline constexpr int kLowestLevel = 3;

// One merged run of steps in the form the double loop uses: dz -> A dz + B dc, usable while
// |dz|^2 < r2 (0: never; the double loop holds no |dz|^2 below 2^-900 anyway).
struct SkipDouble {
    double ar, ai, br, bi, r2;
};

// The same run with extended exponents, usable while |dz|^2 < r2.
struct SkipExt {
    ext::Complex a, b;
    ext::Real r2;
};

// The skip table: level j holds count[j] runs of 2^(kLowestLevel + j) steps, the run k
// starting at reference index 1 + k * 2^(kLowestLevel + j), from entry start[j] on.
struct SkipTable {
    std::vector<SkipDouble> dbl;
    std::vector<SkipExt> ext;
    std::vector<std::size_t> start;
    std::vector<std::size_t> count;
    int Levels() const { return static_cast<int>(start.size()); }
    // Runs from reference index 1 to index n, for n = 2, 3, ...: prefix[n - 2], with its
    // squared radius also in prefixR2 for the search. A pixel comes to index 1 after every
    // rebase, and the orbit's next close approach to 0 lies anywhere, so one run to just
    // before it beats any chain of aligned runs.
    std::vector<SkipDouble> prefix;
    std::vector<double> prefixR2;
};

// The part of the state that pixels read.
struct DeepPrepared {
    int maxIter = 0;
    double escape = 0.0;
    int width = 0;
    int height = 0;
    int cx = 0;  // the reference pixel
    int cy = 0;
    double dxMantissa = 0.0;  // dx = dxMantissa * 2^dxExp, 1 <= |dxMantissa| < 2
    std::int64_t dxExp = 0;
    // Reference values Z_0 = 0, Z_1 = C, Z_{k+1} = Z_k^2 + C as (re, im) pairs of doubles.
    std::vector<double> orbit;
    // The values whose parts are both below 2^-900 (or zero), exactly: (index, value).
    std::vector<std::pair<int, ext::Complex>> tiny;
    bool useBla = false;
    SkipTable skips;
    int Length() const { return static_cast<int>(orbit.size() / 2); }

    ext::Complex ExtAt(int m) const {
        const double re = orbit[2 * static_cast<std::size_t>(m)];
        const double im = orbit[2 * static_cast<std::size_t>(m) + 1];
        if (std::max(std::fabs(re), std::fabs(im)) >= 0x1p-900)
            return ext::FromDouble(re, im);
        const auto it = std::lower_bound(
            tiny.begin(), tiny.end(), m,
            [](const std::pair<int, ext::Complex>& t, int index) { return t.first < index; });
        return (it != tiny.end() && it->first == m) ? it->second : ext::FromDouble(re, im);
    }
};

}  // namespace zolt
