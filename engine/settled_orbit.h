#pragma once

#include <atomic>
#include <span>

#include "engine/count_tally.h"

namespace zolt {

// Whether the orbit of c = cr + i ci, started at c as the renderer starts it, is seen to settle
// into an attracting cycle within `maxIter` steps: then c lies inside the set, and no limit,
// however high, would let it escape. The kernel's own cycle test ends only orbits that come back
// to a value exactly; this one accepts an orbit that returns to within a small tolerance of an
// earlier value, and then confirms the cycle by its multiplier (the derivative of the cycle's
// map, which is below 1 in size only for an attracting cycle), so an orbit that merely passes
// close to a repelling cycle is not taken for one.
//
// False for an orbit that escapes, one that has not settled by `maxIter` steps, and when `stop`
// is set (looked at first and every few thousand steps). Scalar and slow next to the kernel: it is
// meant for a small sample of a picture's points.
bool OrbitSettles(double cr, double ci, int maxIter, double escape,
                  const std::atomic<bool>* stop = nullptr);

// OrbitSettles's test on an orbit kept as values, z_1 = c first, as (re, im) pairs: the deep
// engine's reference, whose c doubles cannot hold. A return to an earlier value is measured
// relative to that value's size where it is below 1, since the cycle of a deep view's minibrot
// passes far closer to 0 than any distance fixed in advance, and every orbit near it would seem to
// come back. False when the values end before the orbit is seen to settle.
bool KeptOrbitSettles(std::span<const double> values, const std::atomic<bool>* stop = nullptr);

// Orbits of the sample are followed for at most this many steps, whatever the limit, so the
// sample costs a few milliseconds at most.
inline constexpr int kSettleBudget = 1 << 16;

// The share of the tally's sample (points at its limit) whose orbits settle, for a view counted
// in doubles, where pixel (x, y) is c = x step + pstart + i (y step + qstart). 0 for an empty
// sample, and when `stop` is set before the sample is done.
double SettledShare(const CountTally& tally, double pstart, double qstart, double step,
                    double escape, const std::atomic<bool>* stop = nullptr);

}  // namespace zolt
