// The iteration limit read from pictures: the starved notice, automatic iterations over a dive
// down the spiral of the seahorse valley, and zolt-render's trial pictures.

#include "generation/iteration_rule.h"

#include <gtest/gtest.h>

#include <cmath>

#include "generation/trial_iterations.h"
#include "support/test_workspace.h"
#include "surface/selection_geometry.h"

namespace zolt {
namespace {

constexpr ViewSize kView{64, 52};
constexpr const char* kStarved = "Finished - more iterations may show detail";

// Two views of a dive of wheel zooms towards the spiral at -0.743643887037151 + 0.131825904205330i,
// 24 and 27 notches in from the home view, at the limits the increment gives them and where
// they need.
GenerationSnapshot Step24(int iterations) {
    return {-0.7436439947862375, -0.7436437712688196, 0.1318258021615052, 0.0, iterations, 200.0};
}
GenerationSnapshot Step27(int iterations) {
    return {-0.7436439005633524, -0.7436438726236752, 0.13182589134789596, 0.0, iterations, 200.0};
}

class IterationRuleTest : public ::testing::Test {
  protected:
    IterationRuleTest() : world(kView) { generator.SetThreads(3); }

    // Makes `numbers` the definition, as Open does, and generates it to the end.
    std::string Generated(GenerationSnapshot numbers) {
        Appearance appearance;
        EXPECT_TRUE(BuildPalette(256, appearance.Palette));
        numbers.Qfinish = DeriveQfinish(numbers, kView);
        EXPECT_TRUE(world.work.current.SetCurrent("Dive", numbers, appearance, {}));
        generator.Ready({.discard = true});
        generator.Generate({.push = true});
        EXPECT_TRUE(world.WaitIdle(120000));
        return world.ui.StatusText(1);
    }

    // A wheel notch in at view pixel (x, y) of the picture shown, generated as the wheel does.
    void WheelIn(int x, int y) {
        GenerationSnapshot shown;
        ImageInfo image;
        ASSERT_TRUE(generator.GetSnapshot(shown) && generator.GetImage(image));
        const auto zoomed = ZoomedAbout(FrameAtPress(x, y, kView, image), x, y, 2.0, shown, kView);
        ASSERT_TRUE(zoomed);
        world.work.current.SetNumbers(*zoomed);
        generator.Generate({.push = true, .increment = true});
        ASSERT_TRUE(world.WaitIdle(120000));
    }

    int Iterations() const { return world.work.current.Definition().Iterations; }

    TestWorkspace world;
    Generator& generator = world.work.generator;
    GenerationDefaults& defaults = world.work.defaults;
};

// The share of a view's pixels that stay to the limit, counted all at once.
double ShareAtLimit(const GenerationSnapshot& view) {
    std::vector<PixelPoint> points;
    for (int y = 0; y < kView.height; ++y)
        for (int x = 0; x < kView.width; ++x)
            points.push_back({x, y});
    std::vector<int> counts(points.size());
    EXPECT_TRUE(PlainCounter(view, kView.width).Count(points, counts, {}));
    const auto stayed =
        std::count_if(counts.begin(), counts.end(), [&](int n) { return n >= view.Iterations; });
    return static_cast<double>(stayed) / static_cast<double>(counts.size());
}

TEST_F(IterationRuleTest, AStarvedPictureSaysSoUnlessTheLimitFollowsByItself) {
    const struct {
        const char* name;
        GenerationSnapshot view;
        bool starved;
    } cases[] = {
        {"home", HomeView(kView), false},
        {"inside the main cardioid", {-0.3, -0.1, -0.1, 0.0, 250, 200.0}, false},
        {"step 27 at 20,000", Step27(20000), false},
        {"step 24 at 850", Step24(850), true},
        {"step 27 at 925", Step27(925), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Generated(c.view), c.starved ? kStarved : "Finished") << c.name;
    defaults.values.AutomaticIterations = true;
    EXPECT_EQ(Generated(Step24(850)), "Finished");
}

// Thirty notches of the wheel down the spiral, automatic iterations on from the home view: every
// picture shows what the same view at 20,000 iterations shows, to within 5 % of its pixels.
TEST_F(IterationRuleTest, AutomaticIterationsKeepUpWithAWheelDive) {
    defaults.values.AutomaticIterations = true;
    GenerationSnapshot view = HomeView(kView);
    Generated(view);
    int highest = 0;
    for (int step = 1; step <= 30; ++step) {
        ASSERT_TRUE(generator.GetSnapshot(view));
        const double dx = (view.Pfinish - view.Pstart) / kView.width;
        WheelIn(static_cast<int>(std::floor((-0.743643887037151 - view.Pstart) / dx)),
                static_cast<int>(std::floor((0.131825904205330 - view.Qstart) / dx)));
        ASSERT_TRUE(generator.GetSnapshot(view) && generator.Reading());
        const CountTally& shown = generator.Reading()->tally;
        ASSERT_EQ(shown.points, kView.width * kView.height);
        GenerationSnapshot thorough = view;
        thorough.Iterations = 20000;
        EXPECT_NEAR(static_cast<double>(shown.atLimit) / static_cast<double>(shown.points),
                    ShareAtLimit(thorough), 0.05)
            << "step " << step << " at " << view.Iterations << " iterations";
        EXPECT_GE(view.Iterations, 250);
        highest = std::max(highest, view.Iterations);
    }
    // It went up with the dive, and down again once the view had left the dense part.
    EXPECT_GE(highest, 5000);
    EXPECT_LT(view.Iterations, highest);
}

// No escaped point anywhere near the limit: halved a view at a time, down to the definition's
// own limit and no further.
TEST_F(IterationRuleTest, AutomaticIterationsComeDownToTheDefinitionsLimit) {
    defaults.values.AutomaticIterations = true;
    Generated({-0.3, -0.1, -0.1, 0.0, 300, 200.0});
    GenerationSnapshot raised = NumbersOf(world.work.current.Definition());
    raised.Iterations = 2000;
    world.work.current.SetNumbers(raised);
    generator.Generate({});
    ASSERT_TRUE(world.WaitIdle());
    std::vector<int> limits;
    for (int notch = 0; notch < 4; ++notch) {
        WheelIn(kView.width / 2, kView.height / 2);
        limits.push_back(Iterations());
    }
    EXPECT_EQ(limits, (std::vector<int>{1000, 500, 300, 300}));
}

TEST(TrialIterations, RaiseTheLimitOnlyWhileTheTrialIsStarved) {
    FractalDef def;
    def.Pstart = -2.5;
    def.Pfinish = 1.25;
    def.Qstart = -1.5;
    EXPECT_EQ(TrialIterations(def, 160, 130, 2), 250);

    SetNumbersOf(def, Step27(925));
    const int chosen = TrialIterations(def, 160, 130, 2);
    EXPECT_GT(chosen, 925);
    EXPECT_LE(ShareAtLimit(Step27(chosen)), 0.01);
    const std::atomic<bool> cancelled{true};
    EXPECT_EQ(TrialIterations(def, 160, 130, 2, &cancelled), 925);
}

// A deep view dived into faster than its limit rose: every point at the limit, and none escaped
// to say that more iterations would show it. The orbit of its centre, which the deep engine keeps,
// does not settle, so the trial raises the limit; inside the set it settles, and the limit stays.
TEST(TrialIterations, RaiseADeepViewAtTheLimitAllOverUnlessItsCentreSettles) {
    const ViewSize size{16, 13};
    const auto deep = [size](const char* ps, const char* pf, const char* qs) {
        GenerationSnapshot numbers = HomeView(size);
        numbers.Iterations = 500;
        EXPECT_TRUE(SetExactCorners(numbers, {ps, pf, qs}, size));
        FractalDef def;
        SetNumbersOf(def, numbers);
        return def;
    };
    // Just right of the cusp at 0.25, where orbits creep for about 3,100 steps, then escape.
    EXPECT_GT(TrialIterations(deep("0.250001", "0.25000100000000000001", "0"), size.width,
                              size.height, 2),
              3100);
    // Inside the main cardioid.
    EXPECT_EQ(
        TrialIterations(deep("-0.1", "-0.09999999999999999999", "0.1"), size.width, size.height, 2),
        500);
}

}  // namespace
}  // namespace zolt
