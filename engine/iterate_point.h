#pragma once

#include <atomic>

namespace zolt {

// Steps between two looks at the stop request inside one point, so that a point of
// two billion iterations still stops at once.
inline constexpr int kStopCheckInterval = 4096;

// Escape-time count of the orbit of c = cr + i ci, started at c itself. The limit test comes
// before the escape test, so an orbit escaping exactly at step maxIter counts as not escaped,
// and the body runs at least once (a maxIter of 0 or less gives 1). The escape bound is
// compared with the squared modulus.
//
// When stop is given and becomes set while the point is computed, the result is 0, which no
// finished point ever gives; the caller then drops the point and recomputes it later.
inline int IteratePoint(double cr, double ci, int maxIter, double escape,
                        const std::atomic<bool>* stop = nullptr) {
    double zr = cr;
    double zi = ci;
    int i = 0;
    for (;;) {
        // Run up to the next stop check without testing the flag, so the hot loop stays plain.
        const int chunkEnd = (maxIter - i > kStopCheckInterval) ? i + kStopCheckInterval : maxIter;
        do {
            ++i;
            const double nextZr = zr * zr - zi * zi + cr;
            zi = (zi * zr) * 2 + ci;
            zr = nextZr;
            if (i >= maxIter || zr * zr + zi * zi > escape)
                return i;
        } while (i < chunkEnd);
        if (stop != nullptr && stop->load(std::memory_order_relaxed))
            return 0;
    }
}

}  // namespace zolt
