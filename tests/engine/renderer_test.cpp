#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
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

// A fixture with a 256-colour image of the given size.
class RenderPassTest : public ::testing::Test {
  protected:
    void Create(int width, int height, int colours = 256) {
        Palette palette;
        ASSERT_TRUE(BuildPalette(colours, palette));
        ASSERT_TRUE(CreateImage(image, width, height, 256, false, palette));
        ClearImage(image.buffer, width, height);
    }
    ColourRule Colour() const { return {false, 2, snapshot.Iterations, image.colours}; }
    PassPosition Pass(PassPosition start, int block) {
        return RenderPass(snapshot, Colour(), image, start, block, {stop, skip}, observer);
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

    GenerationSnapshot snapshot{-2.5, 1.25, -1.5, 0.0, 250, 200.0};
    OffscreenImage image;
    std::atomic<bool> stop{false};
    std::atomic<bool> skip{false};
    RecordingObserver observer;
};

TEST_F(RenderPassTest, AFullResolutionPassEqualsThePlainLoop) {
    Create(97, 61);
    const PassPosition end = Pass({}, 1);
    EXPECT_EQ(image.buffer, Reference());
    EXPECT_GE(end.x, 97);
    EXPECT_EQ(end.y, 61);
}

TEST_F(RenderPassTest, CoarseBlocksTakeTheColourOfTheirTopLeftPoint) {
    Create(30, 21);
    Pass({}, 8);
    const ImageBuffer ref = Reference();
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(image.buffer.At(x, y), ref.At(x / 8 * 8, y / 8 * 8)) << x << "," << y;
}

TEST_F(RenderPassTest, AStoppedPassResumedFromItsPositionLosesNothing) {
    Create(30, 200);
    const ImageBuffer ref = Reference();

    observer.onBegun = [this](int percent) {
        if (percent == 40)
            stop = true;
    };
    const PassPosition stoppedAt = Pass({}, 1);
    EXPECT_EQ(stoppedAt, (PassPosition{0, 79}));  // the first row at 40 %, not drawn
    EXPECT_EQ(image.buffer.At(0, 79), kDarkGrey);
    EXPECT_EQ(image.buffer.At(29, 78), ref.At(29, 78));
    EXPECT_EQ(observer.finished.size(), 79u);

    stop = false;
    observer.onBegun = nullptr;
    Pass(stoppedAt, 1);
    EXPECT_EQ(image.buffer, ref);
}

TEST_F(RenderPassTest, AStopAfterTheLastRowLeavesACompletePass) {
    Create(30, 200);
    observer.onFinished = [this](int percent) {
        if (percent == 100)
            stop = true;
    };
    EXPECT_EQ(Pass({}, 1).y, 200);
    EXPECT_EQ(image.buffer, Reference());
}

TEST_F(RenderPassTest, AStopInTheMiddleOfARowResumesAtThePointNotDrawn) {
    // An 8 by 2 view in which every point escapes at once except the last of the first row,
    // c = -2 exactly, which runs to the limit: a stop given once the row has begun lands on
    // that point, however slowly the threads are scheduled.
    snapshot = {-2.875, -1.875, 0.0, 0.0, 50000000, 200.0};
    Create(8, 2);
    const ImageBuffer ref = Reference();

    std::mutex mutex;
    std::condition_variable cv;
    bool started = false;
    observer.onBegun = [&](int) {
        std::lock_guard lock(mutex);
        started = true;
        cv.notify_all();
    };
    std::thread stopper([&] {
        {
            std::unique_lock lock(mutex);
            cv.wait(lock, [&] { return started; });
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        stop = true;
    });
    const PassPosition at = Pass({}, 1);
    stopper.join();
    ASSERT_EQ(at, (PassPosition{7, 0}));
    EXPECT_EQ(image.buffer.At(6, 0), ref.At(6, 0));  // the points before it are drawn
    EXPECT_EQ(image.buffer.At(7, 0), kDarkGrey);

    stop = false;
    observer.onBegun = nullptr;
    Pass(at, 1);
    EXPECT_EQ(image.buffer, ref);
}

TEST_F(RenderPassTest, SkipLeavesACoarsePassButNotTheFullResolutionOne) {
    Create(64, 40);
    skip = true;
    const PassPosition coarse = Pass({}, 8);
    EXPECT_EQ(coarse, (PassPosition{0, 0}));  // after the first block
    EXPECT_EQ(image.buffer.At(9, 0), kDarkGrey);
    EXPECT_NE(image.buffer.At(7, 7), kDarkGrey);

    const PassPosition fine = Pass({}, 1);
    EXPECT_EQ(fine.y, 40);
    EXPECT_EQ(image.buffer, Reference());
}

TEST_F(RenderPassTest, EmptyImagesAndEmptyBlocksReturnAtOnce) {
    Create(0, 10);
    EXPECT_EQ(Pass({3, 4}, 1), (PassPosition{3, 4}));
    Create(10, 0);
    EXPECT_EQ(Pass({}, 1), (PassPosition{0, 0}));
    Create(10, 10);
    EXPECT_EQ(Pass({}, 0), (PassPosition{0, 0}));
    EXPECT_EQ(Pass({}, -8), (PassPosition{0, 0}));
    EXPECT_TRUE(observer.begun.empty());
}

TEST_F(RenderPassTest, RowsAreReportedWithTheirPercentages) {
    Create(4, 200);
    Pass({}, 8);
    // Rows 0, 8, 16, ... of 200: (y + 1) / 2 percent.
    ASSERT_EQ(observer.begun.size(), 25u);
    EXPECT_EQ(observer.begun[1], 4);
    EXPECT_EQ(observer.begun, observer.finished);
}

TEST(BlitImage, CentresASmallerImageAndCropsALargerOne) {
    ImageBuffer image{4, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
    std::vector<Pixel> view(8 * 6, 0);
    BlitImage(image, {view.data(), 8, 6, 8});
    // Centred: offset ((8 - 4) / 2, (6 - 2) / 2) = (2, 2).
    EXPECT_EQ(view[2 * 8 + 2], 1u);
    EXPECT_EQ(view[3 * 8 + 5], 8u);
    EXPECT_EQ(view[2 * 8 + 1], 0u);
    EXPECT_EQ(view[4 * 8 + 2], 0u);

    std::vector<Pixel> small(3 * 1, 0);
    BlitImage(image, {small.data(), 3, 1, 3});
    EXPECT_EQ(small, (std::vector<Pixel>{1, 2, 3}));  // the top-left part

    EXPECT_EQ(PlaceAxis(7, 4).offset, 1);  // (7 - 4) / 2 truncates
    EXPECT_EQ(PlaceAxis(3, 4).offset, 0);
    EXPECT_EQ(PlaceAxis(3, 4).extent, 3);
}

}  // namespace
}  // namespace zolt
