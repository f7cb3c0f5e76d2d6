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

void CountTally::Add(int x, int y, int count) {
    ++points;
    if (count >= limit) {
        ++atLimit;
        Keep({PixelKey(x, y), x, y});
        return;
    }
    highestEscape = std::max(highestEscape, count);
    const auto band = static_cast<std::int64_t>(count) * kBands / std::max(limit, 1);
    ++escaped[static_cast<std::size_t>(std::clamp<std::int64_t>(band, 0, kBands - 1))];
}

void CountTally::Merge(const CountTally& other) {
    points += other.points;
    atLimit += other.atLimit;
    highestEscape = std::max(highestEscape, other.highestEscape);
    for (std::size_t b = 0; b < escaped.size(); ++b)
        escaped[b] += other.escaped[b];
    for (const Sampled& point : other.Sample())
        Keep(point);
}

std::int64_t CountTally::EscapedFrom(int band) const {
    std::int64_t sum = 0;
    for (int b = std::max(band, 0); b < kBands; ++b)
        sum += escaped[static_cast<std::size_t>(b)];
    return sum;
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
