#include "engine/deep_engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "deep_brute_force.h"
#include "engine/ext_float.h"
#include "engine/iterate_point.h"
#include "engine/view_counter.h"
#include "support/child_process.h"

namespace zolt {
namespace {

using test::BruteImage;

// Stored brute-force images, deepest last (see deep_data/README.md).
const char* const kStored[] = {"b_1e-50", "c_1e-150", "d_1e-400", "e_1e-1000"};

std::string DataPath(const std::string& name) {
    return std::string(ZOLT_DEEP_DATA_DIR) + "/" + name + ".txt";
}

BruteImage Stored(const std::string& name) {
    std::ifstream in(DataPath(name));
    std::stringstream text;
    text << in.rdbuf();
    BruteImage image;
    EXPECT_TRUE(ReadBruteImage(text.str(), image)) << name;
    return image;
}

// Counts of every pixel, or only of those on every `sample`-th diagonal (the others -1).
std::vector<int> DeepImage(const DeepView& view, const DeepOptions& options = {}, int sample = 1) {
    DeepReference reference;
    EXPECT_EQ(reference.Prepare(view, nullptr, {}, options), DeepStatus::Ready)
        << reference.Error();
    std::vector<int> counts(static_cast<std::size_t>(view.width) * view.height, -1);
    for (int y = 0; y < view.height; ++y)
        for (int x = 0; x < view.width; ++x)
            if ((x + y) % sample == 0)
                counts[static_cast<std::size_t>(y * view.width + x)] =
                    DeepIteratePoint(reference, x, y);
    return counts;
}

// Every pixel whose brute-force count is stable must have the same deep count; and the image
// must show something, or it tests nothing.
void ExpectStablePixelsMatch(const BruteImage& brute, const std::vector<int>& deep) {
    std::set<int> distinct;
    int escaped = 0;
    for (std::size_t k = 0; k < deep.size(); ++k) {
        const int n = brute.counts[k];
        if (n < 0)
            continue;
        distinct.insert(n);
        escaped += n < brute.view.maxIter;
        if (deep[k] != -1) {  // -1: not computed
            EXPECT_EQ(deep[k], n) << "pixel (" << k % brute.view.width << ", "
                                  << k / brute.view.width << ")";
        }
    }
    EXPECT_GE(distinct.size(), 20u);
    EXPECT_GE(escaped, static_cast<int>(deep.size() / 2));
}

TEST(ExtendedNumbers, HoldEveryDoubleFromTheSmallestToTheLargest) {
    for (const double x : {0x1p-1074, 0x1.8p-1060, 1.5, 0x1p1023, -0x1.fffffffffffffp1023}) {
        EXPECT_EQ(ext::ToDouble(ext::FromDouble(x)), x);
        EXPECT_EQ(ext::Re(ext::FromDouble(x, -x)), x);
    }
}

TEST(DeepEngine, MatchesTheBruteForceLiveAt1e20) {
    // Beside a period-29 minibrot of size 2.6e-21 found below c = i. The reference point
    // escapes at 223, long before most pixels, which then rebase at its end.
    const DeepView view{"3.9128033139778262257906476217082e-11",
                        "3.9128033149778262257906476217082e-11",
                        "1.0000000000130778978569160705069",
                        24,
                        18,
                        5000,
                        200.0};
    const BruteImage brute = test::RenderBruteForce(view);
    ExpectStablePixelsMatch(brute, DeepImage(view));

    // Turned half round: pfinish left of pstart, so dx < 0 and rows run up from the old
    // Qfinish. Pixel (x, y) then shows what pixel (24 - x, 18 - y) showed.
    const DeepView turned{view.pfinish,
                          view.pstart,
                          DeriveQfinishText(view.pstart, view.pfinish, view.qstart, 24, 18).value(),
                          24,
                          18,
                          5000,
                          200.0};
    const std::vector<int> deep = DeepImage(turned);
    int compared = 0;
    for (int y = 1; y < 18; ++y)
        for (int x = 1; x < 24; ++x) {
            const int n = brute.counts[static_cast<std::size_t>((18 - y) * 24 + 24 - x)];
            if (n >= 0) {
                EXPECT_EQ(deep[static_cast<std::size_t>(y * 24 + x)], n) << x << ", " << y;
                ++compared;
            }
        }
    EXPECT_GT(compared, 350);
}

// The continuous count and the distance estimate of deep pixels, in the double loop (1e-20) and
// with extended exponents (1e-400, beside the Misiurewicz point c = i), against their formulas
// in MPFR.
TEST(DeepEngine, OrbitSamplesMatchTheBruteForce) {
    const DeepView views[] = {
        {"3.9128033139778262257906476217082e-11", "3.9128033149778262257906476217082e-11",
         "1.0000000000130778978569160705069", 24, 18, 5000, 200.0},
        {"-1e-400", "1e-400", "1", 24, 18, 20000, 4.0},
    };
    for (const DeepView& view : views) {
        DeepReference reference;
        ASSERT_EQ(reference.Prepare(view), DeepStatus::Ready) << reference.Error();
        const DeepCounter counter(reference);
        int compared = 0;
        for (int k = 0; k < view.width * view.height; k += 7) {
            const PixelPoint point{k % view.width, k / view.width};
            int count = 0;
            float fraction = 0, dex = 0, dey = 0;
            ASSERT_TRUE(counter.Sample({&point, 1},
                                       {{&count, 1}, {&fraction, 1}, {&dex, 1}, {&dey, 1}}, {}));
            const test::BruteSamples brute = test::BruteOrbitSamples(view, point.x, point.y);
            const double distance = std::hypot(brute.dex, brute.dey);
            if (count != brute.count || count >= view.maxIter || distance < 0.01)
                continue;
            ++compared;
            EXPECT_NEAR(fraction, brute.fraction, 1e-4) << point.x << "," << point.y;
            EXPECT_LT(std::hypot(dex - brute.dex, dey - brute.dey), 1e-3 * distance)
                << point.x << "," << point.y << ": " << dex << "," << dey << " vs " << brute.dex
                << "," << brute.dey;
        }
        EXPECT_GT(compared, 30) << view.pstart;
    }
}

class StoredView : public ::testing::TestWithParam<const char*> {};

TEST_P(StoredView, EveryStablePixelMatchesWithAndWithoutSkips) {
    const BruteImage brute = Stored(GetParam());
    ExpectStablePixelsMatch(brute, DeepImage(brute.view));
    // Iterating every step is slow far down, where differences carry their own exponent: a
    // third of the pixels is enough to hold that path to the brute force too.
    DeepOptions plain;
    plain.useBla = false;
    ExpectStablePixelsMatch(brute, DeepImage(brute.view, plain, 3));
}

INSTANTIATE_TEST_SUITE_P(DeepEngine, StoredView, ::testing::ValuesIn(kStored));

// The generation's counter: passes at 8, 4 and 1 on three threads over a deep view give every
// pixel the colour of the engine's own count.
TEST(ViewCounter, CountsADeepViewThroughThePassesAsTheEngineDoes) {
    const DeepView view = Stored("b_1e-50").view;
    const ViewSize size{view.width, view.height};
    GenerationSnapshot numbers{0, 0, 0, 0, view.maxIter, view.escape};
    ASSERT_TRUE(SetExactCorners(numbers, {view.pstart, view.pfinish, view.qstart}, size));
    ViewCounter counter;
    ASSERT_EQ(counter.Prepare(numbers, size.width, size.height), ViewCounter::Status::Ready);
    EXPECT_EQ(counter.Chosen(), ViewCounter::Kind::Deep);

    Palette palette;
    ASSERT_TRUE(BuildPalette(256, palette));
    OffscreenImage image;
    ASSERT_TRUE(CreateImage(image, size.width, size.height, 256, false, palette));
    const ColourRule colour{false, 2, view.maxIter, image.colours};
    struct : PassObserver {
        void RowBegun(int) override {}
        void RowFinished(int) override {}
    } quiet;
    RenderPool pool(2);
    std::vector<PassReach> earlier;
    for (const int block : {8, 4, 1}) {
        const PassJob pass{
            .counter = &counter.Counter(), .colour = colour, .block = block, .earlier = earlier};
        earlier.push_back({block, pool.Run(pass, image, quiet)});
    }
    const std::vector<int> deep = DeepImage(view);
    for (std::size_t k = 0; k < deep.size(); ++k)
        ASSERT_EQ(image.buffer.pixels[k], colour(deep[k])) << k;
}

// The orbit of a deep view's centre is looked at once for each reference: a counter prepared for
// another view judges that one's centre.
TEST(ViewCounter, JudgesTheCentreOfTheViewLastPrepared) {
    const ViewSize size{16, 13};
    ViewCounter counter;
    const auto centre = [&](const DeepCoordinates& corners) -> std::optional<bool> {
        GenerationSnapshot numbers{0, 0, 0, 0, 500, 200.0};
        EXPECT_TRUE(SetExactCorners(numbers, corners, size));
        EXPECT_EQ(counter.Prepare(numbers, size.width, size.height), ViewCounter::Status::Ready);
        return counter.CentreSettles();
    };
    // Right of the cusp, creeping past 500 steps; then inside the main cardioid.
    EXPECT_EQ(centre({"0.250001", "0.25000100000000000001", "0"}), false);
    EXPECT_EQ(centre({"-0.1", "-0.09999999999999999999", "0.1"}), true);
}

TEST(DeepEngine, CountsByThePlainLoopsRule) {
    // Pixels that sit exactly on a double (cr), so the plain loop's count is the exact one.
    struct Case {
        const char *pstart, *pfinish;
        int x;
        double cr;
        int maxIter;
        double escape;
    };
    const char* const two = "2.0000000000000000000000000000001";  // a step of 1e-32
    const char* const minusTwo = "-1.9999999999999999999999999999999";
    for (const Case& c : {
             Case{"2", two, 0, 2.0, 250, 200.0},  // 6, then 38
             Case{"2", two, 0, 2.0, 2, 200.0},    // escaping on the last step counts as the limit
             Case{"2", two, 0, 2.0, 1, 200.0}, Case{"2", two, 0, 2.0, 0, 200.0},
             Case{"2", two, 0, 2.0, -5, 200.0},
             Case{"2", two, 0, 2.0, 250, 36.0},  // |6|^2 is not above 36
             Case{"2", two, 0, 2.0, 250, 35.9}, Case{"2", two, 0, 2.0, 250, -1.0},
             Case{"-2", minusTwo, 0, -2.0, 300, 3.99},  // 2 on the first step
             Case{"0.25", "0.2500000000000000000000000000001", 0, 0.25, 3000, 4.0},  // 0.5 slowly
             Case{"-1e-30", "1e-30", 1, 0.0, 1000, 200.0},
             Case{"-1.00000000000000000000000000001", "-0.99999999999999999999999999999", 1, -1.0,
                  1000, 200.0},  // 0, -1, 0, ...
         }) {
        const DeepView view{c.pstart, c.pfinish, "0", 2, 1, c.maxIter, c.escape};
        DeepReference reference;
        ASSERT_EQ(reference.Prepare(view), DeepStatus::Ready) << reference.Error();
        EXPECT_EQ(DeepIteratePoint(reference, c.x, 0), IteratePoint(c.cr, 0.0, c.maxIter, c.escape))
            << c.cr << " " << c.maxIter << " " << c.escape;
    }
}

TEST(DeepEngine, RefusesViewsItCannotDraw) {
    const DeepView good{"-0.75", "-0.7499999999999999999999", "0.1", 10, 10, 100, 4.0};
    struct Case {
        DeepView view;
        const char* why;
    };
    std::vector<Case> cases;
    auto with = [&](auto change, const char* why) {
        DeepView v = good;
        change(v);
        cases.push_back({v, why});
    };
    with([](DeepView& v) { v.pstart = "-0,75"; }, "not a decimal");
    with([](DeepView& v) { v.pfinish = v.pstart; }, "no width");
    with([](DeepView& v) { v.width = 0; }, "no pixels");
    with([](DeepView& v) { v.height = -3; }, "no pixels");
    with([](DeepView& v) { v.escape = NAN; }, "not a finite");
    with([](DeepView& v) { v.escape = INFINITY; }, "not a finite");
    with([](DeepView& v) { v.maxIter = kMaxDeepIterations + 1; }, "at most");
    with([](DeepView& v) { v.pstart += std::string(kMaxDecimalText, '1'); }, "longer than");
    with(
        [](DeepView& v) {
            v.pfinish = "1e-25000";
            v.pstart = "0";
        },
        "deeper");
    DeepReference reference;
    EXPECT_EQ(reference.Prepare(good), DeepStatus::Ready);
    EXPECT_TRUE(AssessDeepView(good).refusal.empty());
    for (const Case& c : cases) {
        EXPECT_EQ(reference.Prepare(c.view), DeepStatus::Refused) << c.why;
        EXPECT_NE(reference.Error().find(c.why), std::string::npos) << reference.Error();
        EXPECT_FALSE(reference.Ready());
        EXPECT_EQ(DeepIteratePoint(reference, 0, 0), 0);
        // Known before anything is computed, in the same words; the depth told apart.
        const DeepNeeds needs = AssessDeepView(c.view);
        EXPECT_EQ(needs.refusal, reference.Error());
        EXPECT_EQ(needs.tooDeep, std::string(c.why) == "deeper") << c.why;
    }
}

// The memory a reference is said to need before it is computed is enough: with no more address
// space than that left, a reference of a million iterations that never escapes is made whole.
TEST(DeepReference, TakesNoMoreMemoryThanAssessed) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's allocator reserves more address space than the limit leaves";
#else
    // The middle of the view lies inside the main cardioid.
    const DeepView view{"-0.1", "-0.0999999999999999999999999999999", "0.1", 64, 48, 1000000, 4.0};
    const DeepNeeds needs = AssessDeepView(view);
    ASSERT_TRUE(needs.refusal.empty());
    EXPECT_GT(needs.referenceBytes, 16u * 1000000);
    const rlim_t now = test::UsedAddressSpace();
    EXPECT_TRUE(test::RunInChild(
        [&] {
            DeepReference reference;
            return reference.Prepare(view) == DeepStatus::Ready &&
                   reference.ReferenceLength() == view.maxIter + 2 &&
                   reference.Bytes() <= needs.referenceBytes;
        },
        {.memoryLimit = now + needs.referenceBytes}));
#endif
}

TEST(DeepReference, ResumesAfterAStopAndIsReusedOnceReady) {
    const BruteImage brute = Stored("d_1e-400");
    const DeepView& view = brute.view;
    std::atomic<bool> stop{false};
    std::vector<double> reports;
    const DeepProgress record = [&](double f) { reports.push_back(f); };
    const DeepProgress stopAtHalf = [&](double f) {
        reports.push_back(f);
        if (f >= 0.5)
            stop = true;
    };

    DeepReference reference;
    EXPECT_EQ(reference.Prepare(view, &stop, stopAtHalf), DeepStatus::Stopped);
    EXPECT_FALSE(reference.Ready());
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_LT(reports.back(), 0.6);
    stop = false;
    reports.clear();
    EXPECT_EQ(reference.Prepare(view, &stop, record), DeepStatus::Ready);
    ASSERT_FALSE(reports.empty());
    EXPECT_GE(reports.front(), 0.5);  // resumed, not restarted
    EXPECT_EQ(reports.back(), 1.0);
    EXPECT_TRUE(reference.Serves(view));

    std::vector<int> counts(static_cast<std::size_t>(view.width) * view.height);
    for (int k = 0; k < static_cast<int>(counts.size()); ++k)
        counts[static_cast<std::size_t>(k)] =
            DeepIteratePoint(reference, k % view.width, k / view.width);
    EXPECT_EQ(counts, DeepImage(view));

    // Continuing is free; a higher limit extends the orbit instead of starting again.
    reports.clear();
    EXPECT_EQ(reference.Prepare(view, &stop, record), DeepStatus::Ready);
    EXPECT_EQ(reports.front(), 1.0);
    DeepView longer = view;
    longer.maxIter = view.maxIter * 2;
    EXPECT_FALSE(reference.Serves(longer));
    reports.clear();
    EXPECT_EQ(reference.Prepare(longer, &stop, record), DeepStatus::Ready);
    EXPECT_NEAR(reports.front(), 0.5, 0.01);
    EXPECT_EQ(reference.ReferenceLength(), longer.maxIter + 2);
}

TEST(DeepReference, PixelsStopAndShareOneReferenceAcrossThreads) {
    const BruteImage brute = Stored("e_1e-1000");
    const DeepView& view = brute.view;
    DeepReference reference;
    ASSERT_EQ(reference.Prepare(view), DeepStatus::Ready);

    std::atomic<bool> stop{true};
    EXPECT_EQ(DeepIteratePoint(reference, 0, 0, &stop), 0);
    std::vector<DeepPixel> row;
    for (int x = 0; x < view.width; ++x)
        row.push_back({x, 3});
    std::vector<int> counts(row.size(), -1);
    EXPECT_FALSE(ComputeDeepCounts(reference, row, counts, &stop));
    EXPECT_EQ(counts, std::vector<int>(row.size(), 0));
    EXPECT_FALSE(ComputeDeepCounts(reference, row, std::span<int>(counts).first(3), nullptr));

    // Two threads on alternate rows give what one thread gives.
    stop = false;
    const std::size_t n = static_cast<std::size_t>(view.width) * view.height;
    std::vector<DeepPixel> even, odd;
    for (int y = 0; y < view.height; ++y)
        for (int x = 0; x < view.width; ++x)
            (y % 2 ? odd : even).push_back({x, y});
    std::vector<int> evenCounts(even.size()), oddCounts(odd.size());
    std::thread other([&] { EXPECT_TRUE(ComputeDeepCounts(reference, odd, oddCounts, &stop)); });
    EXPECT_TRUE(ComputeDeepCounts(reference, even, evenCounts, &stop));
    other.join();
    std::vector<int> together(n);
    for (std::size_t k = 0; k < even.size(); ++k)
        together[static_cast<std::size_t>(even[k].y * view.width + even[k].x)] = evenCounts[k];
    for (std::size_t k = 0; k < odd.size(); ++k)
        together[static_cast<std::size_t>(odd[k].y * view.width + odd[k].x)] = oddCounts[k];
    ExpectStablePixelsMatch(brute, together);
}

// Rewrites the stored brute-force counts from the views in the files (minutes):
//   deep_engine_test --gtest_also_run_disabled_tests --gtest_filter='*RewriteStored*'
TEST(DeepEngineData, DISABLED_RewriteStoredCounts) {
    for (const char* name : kStored) {
        const BruteImage image = test::RenderBruteForce(Stored(name).view);
        std::ofstream(DataPath(name)) << test::WriteBruteImage(image);
    }
}

// The measurement behind DeepOptions::blaThreshold: for each stored view at 96 x 72, the
// pixels whose count with skips differs from the count without, and of those the ones that
// are wrong (stable under the brute force and different from it).
TEST(DeepEngineData, DISABLED_MeasureSkipThreshold) {
    const int exponents[] = {-8, -12, -16, -20, -24, -28, -32, -36, -40, -44, -48};
    std::vector<int> wrong(std::size(exponents));
    long pixels = 0;
    for (const char* name : kStored) {
        DeepView view = Stored(name).view;
        view.width = 96;
        view.height = 72;
        DeepOptions plain;
        plain.useBla = false;
        const std::vector<int> truth = DeepImage(view, plain);
        pixels += static_cast<long>(view.width) * view.height;
        std::printf("%s:", name);
        for (std::size_t e = 0; e < std::size(exponents); ++e) {
            DeepOptions options;
            options.blaThreshold = std::ldexp(1.0, exponents[e]);
            const std::vector<int> got = DeepImage(view, options);
            int differ = 0;
            for (std::size_t k = 0; k < got.size(); ++k) {
                if (got[k] == truth[k])
                    continue;
                ++differ;
                // The brute force of this one pixel: a 1 x 1 view on it.
                const int x = static_cast<int>(k) % view.width,
                          y = static_cast<int>(k) / view.width;
                const auto corners = ZoomDeepView(view, x, y, x + 1, 1, 1).value();
                const int n =
                    test::RenderBruteForce({corners.pstart, corners.pfinish, corners.qstart, 1, 1,
                                            view.maxIter, view.escape})
                        .counts[0];
                wrong[e] += n >= 0 && n != got[k];
            }
            std::printf(" 2^%d: %d", exponents[e], differ);
        }
        std::printf("\n");
    }
    for (std::size_t e = 0; e < std::size(exponents); ++e)
        std::printf("2^%d: %d of %ld pixels wrong\n", exponents[e], wrong[e], pixels);
}

}  // namespace
}  // namespace zolt
