#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace zolt {

// What the counts of a picture say about its iteration limit: how many points stayed to the
// limit, how close the escaped ones came to it, and a sample of the points at the limit that a
// slower test can look at (engine/settled_orbit.h). Plain data, gathered by each thread of a pass
// on its own and merged once the thread is done, so that the threads never wait for each other.
struct CountTally {
    static constexpr int kSample = 64;

    struct Sampled {
        std::uint64_t key = 0;  // a hash of the pixel: the sample is the points of the smallest
        int x = 0;
        int y = 0;
    };

    int limit = 0;  // the iteration limit of the counts
    std::int64_t points = 0;
    std::int64_t atLimit = 0;
    int highestEscape = 0;  // the highest count of an escaped point; 0 when none escaped
    // Escaped points whose counts reached a quarter, and half, of the limit.
    std::int64_t fromQuarter = 0;
    std::int64_t fromHalf = 0;
    // The points at the limit with the smallest keys, in no order: the same set whatever the
    // order the points come in and however the threads share them.
    std::array<Sampled, kSample> sample{};
    int sampled = 0;
    std::uint64_t cutoff = 0;  // the largest key of a full sample

    explicit CountTally(int iterationLimit = 0);

    // Millions of points go through it: two comparisons for an escaped one, a hash for one at
    // the limit.
    void Add(int x, int y, int count) {
        ++points;
        if (count >= limit) {
            ++atLimit;
            Keep(x, y);
            return;
        }
        highestEscape = count > highestEscape ? count : highestEscape;
        fromQuarter += count >= quarter_ ? 1 : 0;
        fromHalf += count >= half_ ? 1 : 0;
    }
    // Add for every point k of `counts`, at pixel position(k), with the totals kept in
    // registers rather than in the tally between points.
    template <typename Position>
    void AddAll(std::span<const int> counts, Position position) {
        std::int64_t all = 0, kept = 0, quarter = 0, half = 0;
        int highest = highestEscape;
        for (std::size_t k = 0; k < counts.size(); ++k) {
            const int count = counts[k];
            ++all;
            if (count >= limit) {
                ++kept;
                const auto [x, y] = position(k);
                Keep(x, y);
                continue;
            }
            highest = count > highest ? count : highest;
            quarter += count >= quarter_ ? 1 : 0;
            half += count >= half_ ? 1 : 0;
        }
        points += all;
        atLimit += kept;
        highestEscape = highest;
        fromQuarter += quarter;
        fromHalf += half;
    }
    void Merge(const CountTally& other);

    std::span<const Sampled> Sample() const { return {sample.data(), std::size_t(sampled)}; }

  private:
    void Keep(int x, int y);
    void Keep(const Sampled& point);

    int quarter_ = 0;  // the least count that reaches a quarter of the limit
    int half_ = 0;
};

}  // namespace zolt
