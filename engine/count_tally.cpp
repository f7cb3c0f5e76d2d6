#include "engine/count_tally.h"

#include <algorithm>

namespace zolt {

namespace {

// splitmix64's finaliser: neighbouring pixels get unrelated keys, so the sample is spread over
// the picture instead of being its first rows.
std::uint64_t PixelKey(int x, int y) {
    std::uint64_t z = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)) << 32) |
                      static_cast<std::uint32_t>(y);
    z += 0x9e3779b97f4a7c15ULL;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

}  // namespace

CountTally::CountTally(int iterationLimit)
    : limit(iterationLimit),
      // count >= limit / 4 exactly, in integers: count * 4 >= limit.
      quarter_(static_cast<int>((static_cast<std::int64_t>(iterationLimit) + 3) / 4)),
      half_(static_cast<int>((static_cast<std::int64_t>(iterationLimit) + 1) / 2)) {}

void CountTally::Merge(const CountTally& other) {
    points += other.points;
    atLimit += other.atLimit;
    highestEscape = std::max(highestEscape, other.highestEscape);
    fromQuarter += other.fromQuarter;
    fromHalf += other.fromHalf;
    for (const Sampled& point : other.Sample())
        Keep(point);
}

void CountTally::Keep(int x, int y) {
    const std::uint64_t key = PixelKey(x, y);
    if (sampled < kSample || key < cutoff)
        Keep({key, x, y});
}

void CountTally::Keep(const Sampled& point) {
    const auto byKey = [](const Sampled& a, const Sampled& b) { return a.key < b.key; };
    if (sampled < kSample) {
        sample[static_cast<std::size_t>(sampled++)] = point;
    } else {
        // Full: the point replaces the one of the largest key, when its own is smaller.
        if (point.key >= cutoff)
            return;
        *std::max_element(sample.begin(), sample.end(), byKey) = point;
    }
    if (sampled == kSample)
        cutoff = std::max_element(sample.begin(), sample.end(), byKey)->key;
}

}  // namespace zolt
