#include "movie/movie_plan.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/deep_view.h"

namespace zolt {
namespace {

FractalDef View(double pstart, double width, double qstart) {
    FractalDef def;
    GenerationSnapshot numbers{pstart, pstart + width, qstart, 0.0, 1000, 4.0};
    numbers.Qfinish = DeriveQfinish(numbers, {64, 36});
    SetNumbersOf(def, numbers);
    return def;
}

// A view 1e-30 wide, far below the doubles.
FractalDef DeepView30() {
    FractalDef def = View(-0.75, 1e-10, 0.1);
    GenerationSnapshot numbers = NumbersOf(def);
    EXPECT_TRUE(SetExactCorners(numbers,
                                {"-0.743643887037158704752191506114774",
                                 "-0.743643887037158704752191506113774", "0.13182590420531197049"},
                                {64, 36}));
    SetNumbersOf(def, numbers);
    return def;
}

TEST(MoviePlan, EveryFrameZoomsByTheSameFactorFromTheStartToTheEndView) {
    struct Case {
        FractalDef end;
        MovieSettings settings;
        int zoomFrames;  // expected: fps x seconds a doubling x doublings, rounded up
        int keyframes;
    };
    const double home = kHomePfinish - kHomePstart;
    const Case cases[] = {
        // Ten whole doublings at 30 frames a doubling.
        {View(-0.75, home / 1024, 0.1), {.fps = 30, .holdSeconds = 2}, 300, 11},
        // 10.4 doublings: the first frame is a little wider than the start asked for.
        {View(-0.75, home / std::exp2(10.4), 0.1), {.fps = 24, .holdSeconds = 0.5}, 250, 12},
        // 37.5 frames a doubling.
        {View(-0.75, home / 8, 0.1), {.fps = 25, .secondsPerDoubling = 1.5}, 113, 5},
        // From a start of 1 to a view 1e-30 wide: about 99.7 doublings.
        {DeepView30(), {.fps = 60, .startWidth = 1.0}, 5980, 101},
    };
    for (const Case& c : cases) {
        std::string reason;
        const auto plan = PlanMovie(c.end, c.settings, reason);
        ASSERT_TRUE(plan) << reason;
        EXPECT_EQ(plan->zoomFrames, c.zoomFrames);
        EXPECT_EQ(plan->Keyframes(), c.keyframes);
        EXPECT_EQ(plan->holdFrames, std::lround(c.settings.holdSeconds * c.settings.fps));
        EXPECT_EQ(plan->Frames(), plan->zoomFrames + 1 + plan->holdFrames);

        // The widths as the frames show them, against start x 2^(-i / frames a doubling).
        const double endLog2 = ViewWidthLog2(c.end).value();
        const double perDoubling = c.settings.fps * c.settings.secondsPerDoubling;
        const double startLog2 = endLog2 + plan->FrameDepth(0);
        const double asked = std::log2(c.settings.startWidth);
        EXPECT_GE(startLog2, asked - 1e-12);
        EXPECT_LT(startLog2, asked + 1.0 / perDoubling);
        const double pixel = std::log2(1.0 + 1.0 / c.settings.width);  // a pixel, as a factor
        for (int i = 0; i < plan->Frames(); ++i) {
            const double widthLog2 = endLog2 + plan->FrameDepth(i);
            const double expected = std::max(startLog2 - i / perDoubling, endLog2);
            ASSERT_NEAR(widthLog2, expected, pixel) << "frame " << i;
            // Its keyframes lie on either side of it.
            const MoviePlan::Place place = plan->FramePlace(i);
            ASSERT_LE(place.inner + (place.fraction > 0), plan->lastKeyframe) << "frame " << i;
            ASSERT_NEAR(place.inner + place.fraction, plan->FrameDepth(i), 1e-9);
        }
        // The last zoom frame and the hold are the end view.
        for (int i = plan->zoomFrames; i < plan->Frames(); ++i) {
            EXPECT_EQ(plan->FramePlace(i).inner, 0);
            EXPECT_EQ(plan->FramePlace(i).fraction, 0.0);
        }
    }
}

TEST(MoviePlan, FramesAtWholeDoublingsAreKeyframes) {
    std::string reason;
    const auto plan = PlanMovie(View(-0.75, 3.75 / 1024, 0.1), {.fps = 30}, reason).value();
    for (int k = 0; k <= 10; ++k) {
        const MoviePlan::Place place = plan.FramePlace(plan.zoomFrames - 30 * k);
        EXPECT_EQ(place.inner, k);
        EXPECT_EQ(place.fraction, 0.0);
    }
    EXPECT_GT(plan.FramePlace(plan.zoomFrames - 31).fraction, 0.0);
}

TEST(MoviePlan, RefusesWhatCannotBeAMovie) {
    const FractalDef end = View(-0.75, 0.001, 0.1);
    std::string reason;
    for (const MovieSettings& bad :
         {MovieSettings{.startWidth = 0.001}, MovieSettings{.startWidth = 0.0005},
          MovieSettings{.startWidth = NAN}, MovieSettings{.fps = 0}, MovieSettings{.fps = 241},
          MovieSettings{.secondsPerDoubling = 0}, MovieSettings{.holdSeconds = -1},
          MovieSettings{.supersample = 9}, MovieSettings{.width = 0},
          MovieSettings{.secondsPerDoubling = 3600, .startWidth = 1e300}}) {
        reason.clear();
        EXPECT_FALSE(PlanMovie(end, bad, reason));
        EXPECT_FALSE(reason.empty());
    }
    EXPECT_FALSE(PlanMovie(View(-0.75, 0.0, 0.1), {}, reason));
}

TEST(KeyframeView, DoublesTheWidthAboutTheEndViewsCentre) {
    const FractalDef deep = DeepView30();
    const ViewSize size{64, 36};
    EXPECT_EQ(KeyframeView(deep, 0, size)->Deep, deep.Deep);
    const DeepView end{deep.Deep.Pstart, deep.Deep.Pfinish, deep.Deep.Qstart, 64, 36, 1000, 4.0};
    for (int k : {1, 30, 45, 99}) {
        const FractalDef view = KeyframeView(deep, k, size).value();
        EXPECT_NEAR(ViewWidthLog2(view).value(), ViewWidthLog2(deep).value() + k, 1e-9);
        // Deep while doubles cannot resolve it, plain doubles after.
        EXPECT_EQ(view.Deep.empty(), !NeedsDeep(NumbersOf(view), 64)) << k;
        EXPECT_EQ(view.Iterations, deep.Iterations);
        // The same view as the zoom out by 2^k about pixel (32, 18) gives.
        const double half = std::ldexp(1.0, k) / 2;
        const DeepCorners zoomed =
            ZoomDeepView(end, 32 - 64 * half, 18 - 36 * half, 32 + 64 * half, 64, 36).value();
        const DeepCoordinates corners = ExactCorners(NumbersOf(view)).value();
        EXPECT_TRUE(
            CornersWithin({corners.Pstart, corners.Pfinish, corners.Qstart, {}}, zoomed, 1e-9))
            << k;
    }
    EXPECT_FALSE(KeyframeView(deep, 30, size)->Deep.empty());
    EXPECT_TRUE(KeyframeView(deep, 99, size)->Deep.empty());
}

}  // namespace
}  // namespace zolt
