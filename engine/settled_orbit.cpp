#include "engine/settled_orbit.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "engine/iterate_point.h"

namespace zolt {

namespace {

// An orbit that comes back to within this distance of an earlier value is looked at as a cycle.
// Far above the rounding of doubles near an attracting cycle (which converge to a few units in
// the last place), far below the distances at which a wandering orbit would meet itself by
// chance.
constexpr double kReturnSquared = 1e-18;
// The squared size of the multiplier below which a cycle counts as attracting. A little below 1,
// so that a cycle on the edge (an orbit creeping past a point of the boundary) is not accepted.
constexpr double kAttractingSquared = 0.998;

double DistanceSquared(double ar, double ai, double br, double bi) {
    return (ar - br) * (ar - br) + (ai - bi) * (ai - bi);
}

// An orbit followed from c in doubles, as the renderer follows it.
struct Orbit {
    double cr;
    double ci;
    double escape;
    double zr;
    double zi;

    // One step; false once the orbit has escaped.
    bool Step() {
        const double nextZr = zr * zr - zi * zi + cr;
        zi = (zi * zr) * 2 + ci;
        zr = nextZr;
        return zr * zr + zi * zi <= escape;
    }
    // Whether z has come back to a kept value.
    static bool Returned(double zr, double zi, double keptR, double keptI) {
        return DistanceSquared(zr, zi, keptR, keptI) < kReturnSquared;
    }
};

// An orbit kept as values (re, im pairs), read in order.
struct KeptOrbit {
    std::span<const double> values;
    std::size_t at = 0;  // the pair read last
    double zr = values[0];
    double zi = values[1];

    // The next value; false once there is none.
    bool Step() {
        if (2 * (at + 1) + 1 >= values.size())
            return false;
        ++at;
        zr = values[2 * at];
        zi = values[2 * at + 1];
        return true;
    }
    // Relative to the kept value's size below 1: a deep view's cycle may pass far closer to 0
    // than the tolerance, and every orbit near it would then seem to return. (An exact return
    // counts, at 0 too.)
    static bool Returned(double zr, double zi, double keptR, double keptI) {
        const double size = std::min(1.0, keptR * keptR + keptI * keptI);
        return DistanceSquared(zr, zi, keptR, keptI) <= kReturnSquared * size;
    }
};

// Whether the orbit settles into an attracting cycle within `maxIter` values of it.
template <class Source>
bool Settles(Source& orbit, long long maxIter, const std::atomic<bool>* stop) {
    // Brent's way of finding a cycle of unknown length: the value at every power of two is kept
    // and compared with each value after it, so a cycle of length p is met once the kept value
    // lies on it and the distance to the next power of two is at least p.
    double keptR = orbit.zr;
    double keptI = orbit.zi;
    long long keptAt = 1;
    long long nextKeep = 2;
    long long n = 1;
    long long nextLook = 0;  // at the stop request
    while (n < maxIter) {
        if (stop != nullptr && n >= nextLook) {
            if (stop->load(std::memory_order_relaxed))
                return false;
            nextLook = n + kStopCheckInterval;
        }
        if (!orbit.Step())
            return false;
        ++n;
        if (Source::Returned(orbit.zr, orbit.zi, keptR, keptI)) {
            // Go once round the supposed cycle, multiplying the derivatives 2z of its steps (as a
            // sum of logarithms, since a long cycle's product leaves the range of doubles).
            const long long period = n - keptAt;
            const double startR = orbit.zr;
            const double startI = orbit.zi;
            double logSize = 0.0;
            for (long long k = 0; k < period && n < maxIter; ++k, ++n) {
                logSize += std::log(4.0 * (orbit.zr * orbit.zr + orbit.zi * orbit.zi));
                if (!orbit.Step())
                    return false;
            }
            const bool closed = Source::Returned(orbit.zr, orbit.zi, startR, startI);
            if (closed && logSize < std::log(kAttractingSquared))
                return true;
        }
        if (n >= nextKeep) {
            keptR = orbit.zr;
            keptI = orbit.zi;
            keptAt = n;
            nextKeep = 2 * n;
        }
    }
    return false;
}

}  // namespace

bool OrbitSettles(double cr, double ci, int maxIter, double escape, const std::atomic<bool>* stop) {
    Orbit orbit{cr, ci, escape, cr, ci};
    return Settles(orbit, maxIter, stop);
}

bool KeptOrbitSettles(std::span<const double> values, const std::atomic<bool>* stop) {
    if (values.size() < 2)
        return false;
    KeptOrbit orbit{values};
    return Settles(orbit, static_cast<long long>(values.size() / 2), stop);
}

double SettledShare(const CountTally& tally, double pstart, double qstart, double step,
                    double escape, const std::atomic<bool>* stop) {
    const auto sample = tally.Sample();
    if (sample.empty())
        return 0.0;
    const int steps = std::min(tally.limit, kSettleBudget);
    int settled = 0;
    for (const CountTally::Sampled& point : sample) {
        const double cr = static_cast<double>(point.x) * step + pstart;
        const double ci = static_cast<double>(point.y) * step + qstart;
        if (OrbitSettles(cr, ci, steps, escape, stop))
            ++settled;
        if (stop != nullptr && stop->load(std::memory_order_relaxed))
            return 0.0;
    }
    return static_cast<double>(settled) / static_cast<double>(sample.size());
}

}  // namespace zolt
