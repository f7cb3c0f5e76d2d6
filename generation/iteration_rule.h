#pragma once

#include <atomic>
#include <optional>

#include "engine/count_tally.h"
#include "engine/fractal_def.h"
#include "engine/view_counter.h"

namespace zolt {

// What the counts of a picture say about its iteration limit (the README's "Automatic
// iterations" gives the rule in words). With N the points counted, L the limit:
// - at the limit: the points that never escaped;
// - unknown: those of them whose orbits are not seen to settle into a cycle (the share of a
//   sample, engine/settled_orbit.h), which more iterations may still let escape;
// - the crowd: escaped points that needed L / 2 iterations or more.
struct LimitReading {
    CountTally tally;
    // The share of the tally's sample whose orbits settle. In a deep view, whose pixels' orbits
    // cannot be looked at in doubles, the orbit of its centre stands for them: 0 when it runs to
    // the limit without settling, and none when it settles, escaped, or cannot be looked at.
    std::optional<double> settled;
};

// Reads the counts of `view`, `width` pixels wide, counted by `counter`. Looks at the sample's
// orbits (a few milliseconds at most), or at a deep view's reference where points sit at the
// limit; none when `stop` is set meanwhile.
LimitReading ReadLimit(const CountTally& tally, const GenerationSnapshot& view, int width,
                       const ViewCounter& counter, const std::atomic<bool>* stop = nullptr);

// Starved: at least 1 % of the points sit at the limit, and either the crowd holds 2 % of the
// points or more, or half the points or more are unknown. More iterations may then show detail
// that the picture hides.
bool Starved(const LimitReading& reading);

// The limit for the view after the one read (automatic iterations):
// - starved: raised by the power of two that brings the crowd, were it to halve with each
//   doubling, below 2 % (2 to 16 times), and at least 4 times when half the points are unknown;
// - no escaped point reached a quarter of the limit and fewer than 5 % of the points are
//   unknown (in a deep view: at the limit): lowered to half, or to four times the highest escaped
//   count when that is more;
// - otherwise kept.
// Never below `floor` (the definition's own limit), never above kMaxDeepIterations (so that the
// zoom can go on into the deep engine) unless `floor` is.
int AutomaticIterations(const LimitReading& reading, int floor);

}  // namespace zolt
