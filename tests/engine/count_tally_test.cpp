// What a pass tells of its counts, and the orbits that settle into a cycle.

#include "engine/count_tally.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "engine/render_pass.h"
#include "engine/settled_orbit.h"

namespace zolt {
namespace {

std::set<std::uint64_t> SampleKeys(const CountTally& tally) {
    std::set<std::uint64_t> keys;
    for (const CountTally::Sampled& point : tally.Sample())
        keys.insert(point.key);
    return keys;
}

// Every thread tallies what it stored: merged, it is the tally of all the counts, sample
// included, however the rows were shared out, and whatever the pass before it computed.
TEST(CountTally, APassOnManyThreadsTalliesAsOneThreadWould) {
    const GenerationSnapshot view{-2.0, 0.5, -1.1, 0.0, 300, 200.0};
    constexpr int kWidth = 97, kHeight = 61;
    const PlainCounter counter(view, kWidth);
    CountTally expected(view.Iterations);
    std::vector<PixelPoint> points;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            points.push_back({x, y});
    std::vector<int> counts(points.size());
    ASSERT_TRUE(counter.Count(points, counts, {}));
    for (std::size_t k = 0; k < points.size(); ++k)
        expected.Add(points[k].x, points[k].y, counts[k]);
    ASSERT_EQ(expected.sampled, CountTally::kSample);

    OffscreenImage image;
    image.buffer = {kWidth, kHeight, std::vector<Pixel>(kWidth * kHeight)};
    image.created = true;
    class : public PassObserver {
        void RowBegun(int) override {}
        void RowFinished(int) override {}
    } nobody;
    RenderPool pool(3);
    CountTally tally(view.Iterations);
    ASSERT_EQ(pool.Run({.counter = &counter, .block = 4, .tally = &tally}, image, nobody).y,
              kHeight + 3);
    const PassReach coarse[] = {{4, {0, kHeight + 3}}};
    ASSERT_EQ(pool.Run({.counter = &counter, .earlier = coarse, .tally = &tally}, image, nobody).y,
              kHeight);

    EXPECT_EQ(tally.points, expected.points);
    EXPECT_EQ(tally.atLimit, expected.atLimit);
    EXPECT_EQ(tally.highestEscape, expected.highestEscape);
    EXPECT_EQ(tally.fromQuarter, expected.fromQuarter);
    EXPECT_EQ(tally.fromHalf, expected.fromHalf);
    EXPECT_EQ(SampleKeys(tally), SampleKeys(expected));
}

TEST(OrbitSettles, OnlyAttractingCyclesCount) {
    const struct {
        double cr, ci;
        int limit;
        bool settles;
        const char* why;
    } cases[] = {
        {0.0, 0.0, 100, true, "a fixed point"},
        {-1.0, 0.0, 100, true, "a cycle of two"},
        {-0.1225, 0.7449, 1000, true, "a cycle of three, reached slowly"},
        {-0.04584, 0.63554, 100000, true, "a fixed point of multiplier 0.99, slowly"},
        {0.25, 0.0, 100000, false, "the cusp: the orbit creeps, its multiplier is 1"},
        {-2.0, 0.0, 100, false, "a repelling fixed point, met exactly"},
        {-0.75, 0.001, 100000, false, "the neck: creeps for 3,142 steps, then escapes"},
        {0.2501, 0.0, 100, false, "not yet escaped"},
        {2.0, 0.0, 100, false, "escapes at once"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OrbitSettles(c.cr, c.ci, c.limit, 200.0), c.settles) << c.why;
        // The same orbit kept as values, as the deep engine keeps its reference, up to its escape.
        std::vector<double> values;
        double zr = c.cr, zi = c.ci;
        for (int n = 0; n < c.limit && zr * zr + zi * zi <= 200.0; ++n) {
            values.insert(values.end(), {zr, zi});
            const double next = zr * zr - zi * zi + c.cr;
            zi = (zi * zr) * 2 + c.ci;
            zr = next;
        }
        EXPECT_EQ(KeptOrbitSettles(values), c.settles) << c.why << ", kept";
    }
    const std::atomic<bool> stop{true};
    EXPECT_FALSE(OrbitSettles(-0.04584, 0.63554, 100000, 200.0, &stop));
}

// An orbit near a deep minibrot passes closer to 0 than any fixed distance, once a period, at
// values that differ by far more than themselves: those passes are no return to a cycle.
TEST(KeptOrbitSettles, PassesNearZeroAreNoCycle) {
    std::vector<double> values;
    for (int n = 0; n < 3000; ++n) {
        const double drift = n * 1e-4;
        values.insert(values.end(), {1e-12 * (1 + drift), 0.0, 0.5 + drift, 0.1, -0.3, drift});
    }
    EXPECT_FALSE(KeptOrbitSettles(values));
    EXPECT_FALSE(KeptOrbitSettles({}));
}

}  // namespace
}  // namespace zolt
