#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/iterate_point.h"
#include "engine/offscreen_image.h"
#include "engine/render_pass.h"

namespace zolt {
namespace {

TEST(IteratePoint, CountsAsTheClassicLoop) {
    EXPECT_EQ(IteratePoint(0.0, 0.0, 250, 200.0), 250);  // never escapes
    EXPECT_EQ(IteratePoint(2.0, 0.0, 250, 200.0), 2);    // 6, then 38: 1444 > 200
    EXPECT_EQ(IteratePoint(2.0, 0.0, 0, 200.0), 1);      // the body always runs once
    EXPECT_EQ(IteratePoint(2.0, 0.0, -5, 200.0), 1);
    // Escaping exactly on the last step counts as reaching the limit.
    EXPECT_EQ(IteratePoint(2.0, 0.0, 2, 200.0), 2);
    // Near the neck at -0.75 an orbit escapes after about pi / y steps (counts of a plain loop
    // without stop checks); the second one crosses the internal stop-check boundary.
    EXPECT_EQ(IteratePoint(-0.75, 0.001, 100000, 4.0), 3142);
    EXPECT_EQ(IteratePoint(-0.75, 0.0005, 100000, 4.0), 6283);
    EXPECT_EQ(IteratePoint(0.0, 0.0, 10000, 200.0, nullptr), 10000);
}

TEST(IteratePoint, AStopRequestEndsEvenTwoBillionIterationsAtOnce) {
    std::atomic<bool> stop{true};
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(IteratePoint(0.0, 0.0, 2000000000, 200.0, &stop), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(100));
}

TEST(ColourRule, MonochromeBands) {
    const ColourRule everyCount{true, 1, 250, {}};
    EXPECT_EQ(everyCount(1), kWhite);
    EXPECT_EQ(everyCount(249), kWhite);
    EXPECT_EQ(everyCount(250), kBlack);  // never escaped
    const ColourRule even{true, 2, 250, {}};
    EXPECT_EQ(even(2), kWhite);
    EXPECT_EQ(even(4), kWhite);
    EXPECT_EQ(even(3), kBlack);
    // A period below 1 cannot come from the dialog, only from a file; it must not divide.
    for (int period : {0, -1, -2147483647 - 1}) {
        const ColourRule odd{true, period, 250, {}};
        EXPECT_EQ(odd(7), kWhite) << period;
        EXPECT_EQ(odd(250), kBlack) << period;
    }
}

TEST(ColourRule, PaletteColoursCycleAndAnEmptyTableIsBlack) {
    std::vector<Pixel> table;
    for (int i = 0; i < 16; ++i)
        table.push_back(MakePixel(static_cast<std::uint8_t>(i), 0, 0));
    const ColourRule colour{false, 2, 250, table};
    EXPECT_EQ(colour(5), colour(21));
    EXPECT_EQ(colour(16), table[0]);
    EXPECT_EQ(colour(250), kBlack);
    const ColourRule noColours{false, 2, 250, {}};
    EXPECT_EQ(noColours(5), kBlack);
}

TEST(BuildLogicalPalette, PlacesAtMostTheDisplaysColours) {
    Palette palette;
    ASSERT_TRUE(BuildPalette(256, palette));
    EXPECT_EQ(BuildLogicalPalette(16, palette).size(), 16u);
    EXPECT_EQ(BuildLogicalPalette(256, palette).size(), 256u);
    EXPECT_EQ(BuildLogicalPalette(0, palette).size(), 0u);
    EXPECT_EQ(BuildLogicalPalette(256, palette)[0], MakePixel(127, 0, 127));
    Palette small;
    ASSERT_TRUE(BuildPalette(4, small));
    EXPECT_EQ(BuildLogicalPalette(256, small).size(), 4u);
}

// Records the rows a pass reports, and can act when one is begun or finished.
class RecordingObserver : public PassObserver {
  public:
    void RowBegun(int percent) override {
        begun.push_back(percent);
        if (onBegun)
            onBegun(percent);
    }
    void RowFinished(int percent) override {
        finished.push_back(percent);
        if (onFinished)
            onFinished(percent);
    }

    std::vector<int> begun;
    std::vector<int> finished;
    std::function<void(int)> onBegun;
    std::function<void(int)> onFinished;
};

// Counts the points it is asked for, through the plain counter.
class TallyingCounter final : public PointCounter {
  public:
    explicit TallyingCounter(const PointCounter& counter) : counter_(counter) {}
    bool Sample(std::span<const PixelPoint> points, const SampleSpans& out,
                const Interrupts& interrupts) const override {
        tally += static_cast<long long>(points.size());
        return counter_.Sample(points, out, interrupts);
    }
    mutable std::atomic<long long> tally{0};

  private:
    const PointCounter& counter_;
};

// A 256-colour image of the given size, rendered by a pool of `helpers` threads besides the
// test's own: each test runs with one thread and with several.
class RenderPassTest : public ::testing::TestWithParam<int> {
  protected:
    void Create(int width, int height) {
        Palette palette;
        ASSERT_TRUE(BuildPalette(256, palette));
        ASSERT_TRUE(CreateImage(image, width, height, 256, false, palette));
        counter = std::make_unique<PlainCounter>(snapshot, width);
    }
    ColourRule Colour() const { return {false, 2, snapshot.Iterations, image.colours}; }
    PassPosition Pass(PassPosition start, int block, std::span<const PassReach> earlier = {},
                      const PointCounter* with = nullptr) {
        const PassJob job{.counter = with != nullptr ? with : counter.get(),
                          .colour = Colour(),
                          .block = block,
                          .start = start,
                          .earlier = earlier,
                          .stop = &stop,
                          .skip = &skip};
        return pool.Run(job, image, observer);
    }

    // The image a plain per-pixel loop gives.
    ImageBuffer Reference() {
        ImageBuffer ref{image.buffer.width, image.buffer.height,
                        std::vector<Pixel>(image.buffer.pixels.size())};
        const double dx = (snapshot.Pfinish - snapshot.Pstart) / ref.width;
        const ColourRule colour = Colour();
        for (int y = 0; y < ref.height; ++y)
            for (int x = 0; x < ref.width; ++x)
                ref.pixels[static_cast<std::size_t>(y * ref.width + x)] =
                    colour(IteratePoint(x * dx + snapshot.Pstart, y * dx + snapshot.Qstart,
                                        snapshot.Iterations, snapshot.Escape));
        return ref;
    }
    // Rows 0 to `rows` - 1 of the image, as the reference has them.
    ::testing::AssertionResult RowsMatch(const ImageBuffer& ref, int rows) {
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < ref.width; ++x)
                if (image.buffer.At(x, y) != ref.At(x, y))
                    return ::testing::AssertionFailure() << "pixel " << x << "," << y;
        return ::testing::AssertionSuccess();
    }

    GenerationSnapshot snapshot{-2.5, 1.25, -1.5, 0.0, 250, 200.0};
    OffscreenImage image;
    std::unique_ptr<PlainCounter> counter;
    std::atomic<bool> stop{false};
    std::atomic<bool> skip{false};
    RecordingObserver observer;
    RenderPool pool{GetParam()};
};

INSTANTIATE_TEST_SUITE_P(Threads, RenderPassTest, ::testing::Values(0, 3));

TEST_P(RenderPassTest, PassesOfFallingBlockSizeEndInThePlainLoopsImage) {
    Create(97, 61);
    std::vector<PassReach> earlier;
    for (int block : {8, 4, 1}) {
        const PassPosition end = Pass({}, block, earlier);
        EXPECT_GE(end.y, 61);
        earlier.push_back({block, end});
    }
    EXPECT_EQ(image.buffer, Reference());
}

TEST_P(RenderPassTest, APointAnEarlierPassComputedIsNotComputedAgain) {
    Create(64, 40);
    std::vector<PassReach> earlier{{8, Pass({}, 8)}};
    TallyingCounter tally(*counter);
    Pass({}, 1, earlier, &tally);
    EXPECT_EQ(tally.tally, 64 * 40 - 8 * 5);
    EXPECT_EQ(image.buffer, Reference());
}

// Also where a finer pass leaves out the blocks whose points the coarser one computed.
TEST_P(RenderPassTest, CoarseBlocksTakeTheColourOfTheirTopLeftPoint) {
    Create(30, 21);
    const ImageBuffer ref = Reference();
    const PassReach coarse[] = {{8, Pass({}, 8)}};
    for (const int block : {8, 4}) {
        if (block == 4)
            Pass({}, 4, coarse);
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < 30; ++x)
                ASSERT_EQ(image.buffer.At(x, y), ref.At(x / block * block, y / block * block))
                    << x << "," << y << " in blocks of " << block;
    }
}

// Counts like the plain counter until its second call, which sees a stop arrive.
class StoppingCounter final : public PointCounter {
  public:
    StoppingCounter(const PointCounter& counter, std::atomic<bool>& stop)
        : counter_(counter), stop_(stop) {}
    bool Sample(std::span<const PixelPoint> points, const SampleSpans& out,
                const Interrupts& interrupts) const override {
        if (++calls_ == 2)
            stop_ = true;
        return !stop_ && counter_.Sample(points, out, interrupts);
    }

  private:
    const PointCounter& counter_;
    std::atomic<bool>& stop_;
    mutable std::atomic<int> calls_{0};
};

TEST_P(RenderPassTest, AStoppedPassResumedFromItsPositionLosesNothing) {
    Create(30, 200);
    const ImageBuffer ref = Reference();
    const StoppingCounter stopping(*counter, stop);
    const PassPosition stoppedAt = Pass({}, 1, {}, &stopping);
    // Every row before the position is stored; the one at it and maybe a few after are not.
    EXPECT_EQ(stoppedAt.x, 0);
    EXPECT_LT(stoppedAt.y, 200);
    EXPECT_TRUE(RowsMatch(ref, stoppedAt.y));
    EXPECT_EQ(observer.finished.size(), static_cast<std::size_t>(stoppedAt.y));

    stop = false;
    Pass(stoppedAt, 1);
    EXPECT_EQ(image.buffer, ref);
}

TEST_P(RenderPassTest, AResumedRowStartsAtTheSavedPoint) {
    Create(8, 2);
    EXPECT_EQ(Pass({5, 1}, 1).y, 2);
    const ImageBuffer ref = Reference();
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(image.buffer.At(x, 0), kDarkGrey);
        EXPECT_EQ(image.buffer.At(x, 1), x < 5 ? kDarkGrey : ref.At(x, 1)) << x;
    }
}

TEST_P(RenderPassTest, AStopAfterTheLastRowLeavesACompletePass) {
    Create(30, 200);
    observer.onFinished = [this](int percent) {
        if (percent == 100)
            stop = true;
    };
    EXPECT_EQ(Pass({}, 1).y, 200);
    EXPECT_EQ(image.buffer, Reference());
}

TEST_P(RenderPassTest, AStopEndsTwoBillionIterationsOnEveryThread) {
    // Every point of the view is in the set and, without the periodicity shortcut, would take
    // two billion steps.
    snapshot = {-0.1, 0.1, -0.1, 0.0, 2000000000, 200.0};
    Create(40, 30);
    const PlainCounter fullLoops(snapshot, 40, BestKernel(), false);
    std::thread stopper([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        stop = true;
    });
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(Pass({}, 1, {}, &fullLoops), (PassPosition{0, 0}));
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
}

TEST_P(RenderPassTest, SkipLeavesACoarsePassButNotTheFullResolutionOne) {
    Create(64, 40);
    skip = true;
    const PassPosition coarse = Pass({}, 8);
    EXPECT_EQ(coarse, (PassPosition{0, 0}));
    EXPECT_EQ(image.buffer.At(9, 0), kDarkGrey);

    const PassPosition fine = Pass({}, 1);
    EXPECT_EQ(fine.y, 40);
    EXPECT_EQ(image.buffer, Reference());
}

TEST_P(RenderPassTest, EmptyImagesAndEmptyBlocksReturnAtOnce) {
    Create(0, 10);
    EXPECT_EQ(Pass({3, 4}, 1), (PassPosition{3, 4}));
    Create(10, 0);
    EXPECT_EQ(Pass({}, 1), (PassPosition{0, 0}));
    Create(10, 10);
    EXPECT_EQ(Pass({}, 0), (PassPosition{0, 0}));
    EXPECT_EQ(Pass({}, -8), (PassPosition{0, 0}));
    EXPECT_TRUE(observer.begun.empty());
}

TEST_P(RenderPassTest, RowsAreReportedInOrderWithTheirPercentages) {
    Create(4, 200);
    Pass({}, 8);
    // Rows 0, 8, 16, ... of 200: (y + 1) / 2 percent, each begun as the one before finishes.
    ASSERT_EQ(observer.begun.size(), 25u);
    EXPECT_EQ(observer.begun[1], 4);
    EXPECT_EQ(observer.begun, observer.finished);
    EXPECT_TRUE(std::is_sorted(observer.finished.begin(), observer.finished.end()));
}

TEST(PaintImage, CentresASmallerImageAndCropsALargerOne) {
    OffscreenImage image;
    image.buffer = {4, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
    image.created = true;
    std::vector<Pixel> view(8 * 6, 0);
    PaintImage(image, {view.data(), 8, 6, 8});
    // Centred: offset ((8 - 4) / 2, (6 - 2) / 2) = (2, 2).
    EXPECT_EQ(view[2 * 8 + 2], 1u);
    EXPECT_EQ(view[3 * 8 + 5], 8u);
    EXPECT_EQ(view[2 * 8 + 1], 0u);
    EXPECT_EQ(view[4 * 8 + 2], 0u);

    std::vector<Pixel> small(3 * 1, 0);
    PaintImage(image, {small.data(), 3, 1, 3});
    EXPECT_EQ(small, (std::vector<Pixel>{1, 2, 3}));  // the top-left part

    EXPECT_EQ(PlaceAxis(7, 4).offset, 1);  // (7 - 4) / 2 truncates
    EXPECT_EQ(PlaceAxis(3, 4).offset, 0);
    EXPECT_EQ(PlaceAxis(3, 4).extent, 3);
}

}  // namespace
}  // namespace zolt
