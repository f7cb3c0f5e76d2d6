#include "generation/iteration_rule.h"

#include <algorithm>

#include "engine/deep_engine.h"
#include "engine/settled_orbit.h"

namespace zolt {

namespace {

constexpr double kManyAtLimit = 0.01;
constexpr double kCrowded = 0.02;
constexpr double kMostlyUnknown = 0.5;
constexpr double kFewUnknown = 0.05;
constexpr long long kLargestRaise = 16;

struct Shares {
    double atLimit = 0.0;
    double unknown = 0.0;
    double crowd = 0.0;
    bool checked = false;  // whether `unknown` comes from a look at the orbits
};

Shares SharesOf(const LimitReading& reading) {
    const CountTally& tally = reading.tally;
    Shares shares;
    if (tally.points <= 0)
        return shares;
    const auto points = static_cast<double>(tally.points);
    shares.atLimit = static_cast<double>(tally.atLimit) / points;
    shares.checked = reading.settled.has_value();
    shares.unknown = shares.atLimit * (1.0 - reading.settled.value_or(0.0));
    shares.crowd = static_cast<double>(tally.fromHalf) / points;
    return shares;
}

}  // namespace

LimitReading ReadLimit(const CountTally& tally, const GenerationSnapshot& view, int width,
                       const ViewCounter& counter, const std::atomic<bool>* stop) {
    LimitReading reading{tally, std::nullopt};
    if (counter.Chosen() == ViewCounter::Kind::Deep) {
        // Neighbouring pixels share their doubles, so their orbits cannot be followed in them;
        // the reference's orbit, that of the centre, can. A view dived into faster than its limit
        // rose may sit at the limit all over, with no escaped point to tell that more iterations
        // would show it: an unsettled centre says so.
        if (tally.atLimit > 0 && counter.CentreSettles(stop) == false)
            reading.settled = 0.0;
        return reading;
    }
    if (counter.Chosen() != ViewCounter::Kind::Plain || width < 1)
        return reading;
    const double step = (view.Pfinish - view.Pstart) / static_cast<double>(width);
    const double settled = SettledShare(tally, view.Pstart, view.Qstart, step, view.Escape, stop);
    if (stop == nullptr || !stop->load(std::memory_order_relaxed))
        reading.settled = settled;
    return reading;
}

bool Starved(const LimitReading& reading) {
    const Shares shares = SharesOf(reading);
    return shares.atLimit >= kManyAtLimit &&
           (shares.crowd >= kCrowded || (shares.checked && shares.unknown >= kMostlyUnknown));
}

int AutomaticIterations(const LimitReading& reading, int floor) {
    const CountTally& tally = reading.tally;
    const long long limit = std::max(tally.limit, 1);
    long long next = limit;
    if (Starved(reading)) {
        const Shares shares = SharesOf(reading);
        long long factor = 2;
        while (factor < kLargestRaise && static_cast<double>(factor) * kCrowded < shares.crowd)
            factor *= 2;
        if (shares.checked && shares.unknown >= kMostlyUnknown)
            factor = std::max(factor, 4LL);
        next = limit * factor;
    } else if (tally.points > 0 && tally.fromQuarter == 0 &&
               SharesOf(reading).unknown < kFewUnknown) {
        next = std::max(limit / 2, 4LL * tally.highestEscape);
    }
    const long long ceiling = std::max(floor, kMaxDeepIterations);
    return static_cast<int>(std::clamp<long long>(next, floor, ceiling));
}

}  // namespace zolt
