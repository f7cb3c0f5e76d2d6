#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace zolt {

// What the counts of a picture say about its iteration limit: how many points stayed to the
// limit, how close the escaped ones came to it, and a sample of the points at the limit that a
// slower test can look at (engine/settled_orbit.h). Plain data, gathered by each thread of a pass
// on its own and merged once the thread is done, so that the threads never wait for each other.
struct CountTally {
    // Escaped counts are sorted into this many equal bands of the limit: band b holds the counts
    // from b / kBands of the limit up to (b + 1) / kBands.
    static constexpr int kBands = 16;
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
    std::array<std::int64_t, kBands> escaped{};
    // The points at the limit with the smallest keys, in no order: the same set whatever the
    // order the points come in and however the threads share them.
    std::array<Sampled, kSample> sample{};
    int sampled = 0;
    std::uint64_t cutoff = 0;  // the largest key of a full sample

    explicit CountTally(int iterationLimit = 0) : limit(iterationLimit) {}

    void Add(int x, int y, int count);
    void Merge(const CountTally& other);

    // Escaped points whose counts reached `band` sixteenths of the limit or more.
    std::int64_t EscapedFrom(int band) const;
    std::span<const Sampled> Sample() const { return {sample.data(), std::size_t(sampled)}; }

  private:
    void Keep(const Sampled& point);
};

}  // namespace zolt
