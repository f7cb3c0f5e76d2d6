#include "document/navigation_history.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>

#include "document/current_fractal.h"
#include "surface/command_ids.h"
#include "surface/headless_surface.h"

namespace zolt {
namespace {

class HistoryTest : public ::testing::Test {
  protected:
    HistoryTest() { current.EnsureInitialized(); }

    void MoveTo(double pstart) {
        GenerationSnapshot numbers = NumbersOf(current.Definition());
        numbers.Pstart = pstart;
        current.SetNumbers(numbers);
    }
    bool BackEnabled() const { return ui.IsCommandEnabled(kCmdBack); }
    bool ForwardEnabled() const { return ui.IsCommandEnabled(kCmdForward); }

    HeadlessSurface ui{{600, 450}};
    NavigationHistory history{ui};
    CurrentFractal current{ui, history};
};

TEST_F(HistoryTest, AnEmptyHistoryNeverDiffersAndShowsNoPosition) {
    EXPECT_FALSE(history.DiffersFromCurrentEntry(current.Definition()));
    EXPECT_EQ(ui.StatusText(3), "");
    history.ShowPosition();
    EXPECT_EQ(ui.StatusText(3), "0 of 0");
}

TEST_F(HistoryTest, PushRecordsNewViewsOnlyAndTruncatesAfterTheCurrentOne) {
    EXPECT_TRUE(current.PushCurrent(true));
    EXPECT_EQ(ui.StatusText(3), "1 of 1");
    EXPECT_FALSE(BackEnabled());
    EXPECT_FALSE(ForwardEnabled());
    EXPECT_FALSE(current.PushCurrent(true)) << "the same view is not recorded twice";

    MoveTo(-2.0);
    EXPECT_TRUE(current.PushCurrent(true));
    MoveTo(-1.5);
    EXPECT_TRUE(current.PushCurrent(true));
    EXPECT_EQ(ui.StatusText(3), "3 of 3");
    EXPECT_TRUE(BackEnabled());

    history.SetCurrent(1);
    history.UpdateNavigationCommands(true);
    EXPECT_FALSE(BackEnabled());
    EXPECT_TRUE(ForwardEnabled());
    MoveTo(0.5);
    EXPECT_TRUE(current.PushCurrent(true));
    EXPECT_EQ(ui.StatusText(3), "2 of 2");
    EXPECT_EQ(history.Entry(2).Pstart, 0.5);
    EXPECT_EQ(history.Entry(1).Pstart, -2.5);
}

TEST_F(HistoryTest, NavigationIsNeverOfferedWhileNotAllowed) {
    current.PushCurrent(true);
    MoveTo(-2.0);
    current.PushCurrent(false);
    EXPECT_FALSE(BackEnabled());
    history.UpdateNavigationCommands(true);
    EXPECT_TRUE(BackEnabled());
}

TEST_F(HistoryTest, OnlyTheFourCoordinatesBeyondTheToleranceMakeADifference) {
    current.PushCurrent(true);
    const auto differsWith = [&](auto change) {
        FractalDef def;
        CopyDefinition(current.Definition(), def);
        change(def);
        return history.DiffersFromCurrentEntry(def);
    };
    EXPECT_FALSE(differsWith([](FractalDef& d) { d.Iterations = 999; }));
    EXPECT_FALSE(differsWith([](FractalDef& d) { d.Escape = 4; }));
    EXPECT_FALSE(differsWith([](FractalDef& d) { d.Name.Assign("Other"); }));
    EXPECT_FALSE(differsWith([](FractalDef& d) { d.Appearance.Monochrome = true; }));
    EXPECT_TRUE(differsWith([](FractalDef& d) { d.Qstart = 0.25; }));
    EXPECT_TRUE(differsWith([](FractalDef& d) { d.Qfinish += 1e-9; }));
    EXPECT_FALSE(
        differsWith([](FractalDef& d) { d.Pfinish = std::numeric_limits<double>::quiet_NaN(); }));
}

TEST_F(HistoryTest, CoordinatesWithin1eMinus31OfTheEntryCountAsTheSameView) {
    MoveTo(0.0);  // near zero a double resolves far finer steps than the tolerance
    current.PushCurrent(true);
    FractalDef def;
    CopyDefinition(current.Definition(), def);
    for (const auto& [pstart, differs] : {std::pair{1e-31, false}, std::pair{-1e-31, false},
                                          std::pair{1.5e-31, true}, std::pair{-2e-31, true}}) {
        def.Pstart = pstart;
        EXPECT_EQ(history.DiffersFromCurrentEntry(def), differs) << pstart;
    }
}

TEST_F(HistoryTest, DeepViewsDifferByAPartOfTheirWidthNotByAFixedTolerance) {
    // 600 pixels 1e-100 apart: every double of the view is -0.75 or 0.1.
    const std::string pfinish = "-0.74" + std::string(95, '9') + "4";
    GenerationSnapshot numbers = NumbersOf(current.Definition());
    ASSERT_TRUE(SetExactCorners(numbers, {"-0.75", pfinish, "0.1"}, ui.ViewClientSize()));
    current.SetNumbers(numbers);
    current.PushCurrent(true);
    for (const auto& [pstart, differs] :
         {std::pair{std::string("-0.7500000"), false},
          std::pair{"-0.75" + std::string(105, '0') + "1", false},   // 1e-108: the same
          std::pair{"-0.75" + std::string(97, '0') + "1", true}}) {  // 1e-100: a pixel
        FractalDef def;
        CopyDefinition(current.Definition(), def);
        def.Deep.Pstart = pstart;
        EXPECT_EQ(history.DiffersFromCurrentEntry(def), differs) << pstart;
    }
}

TEST_F(HistoryTest, EntriesAreFullCopiesWithTheirOwnPalettes) {
    Appearance appearance;
    ASSERT_TRUE(BuildPalette(16, appearance.Palette));
    appearance.Colours = 16;
    ASSERT_TRUE(
        current.SetCurrent("One", NumbersOf(current.Definition()), appearance, {.untitled = true}));
    current.PushCurrent(true);
    ASSERT_TRUE(BuildPalette(4, appearance.Palette));
    current.SetAppearance(appearance);
    EXPECT_EQ(history.Entry(1).Appearance.Palette.Count(), 16);
    EXPECT_EQ(history.Entry(1).Name.str(), "One");
}

TEST_F(HistoryTest, ResetEmptiesTheHistoryAndThePane) {
    current.PushCurrent(true);
    history.ResetHistory();
    EXPECT_EQ(history.Count(), 0);
    EXPECT_EQ(history.Current(), 0);
    EXPECT_EQ(ui.StatusText(3), "");
    history.SetCurrent(3);
    EXPECT_EQ(history.Current(), 0);
}

}  // namespace
}  // namespace zolt
