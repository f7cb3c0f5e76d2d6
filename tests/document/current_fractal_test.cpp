#include "document/current_fractal.h"

#include <gtest/gtest.h>

#include "document/navigation_history.h"
#include "surface/command_ids.h"
#include "surface/headless_surface.h"

namespace zolt {
namespace {

class CurrentFractalTest : public ::testing::Test {
  protected:
    HeadlessSurface ui{{600, 450}};
    NavigationHistory history{ui};
    CurrentFractal current{ui, history};
};

TEST_F(CurrentFractalTest, SetCurrentInitialisesNamesAndEnablesTheFileCommands) {
    EXPECT_FALSE(current.Initialized());
    Appearance appearance;
    ASSERT_TRUE(BuildPalette(8, appearance.Palette));
    const GenerationSnapshot numbers{-1, 1, -1, 0.5, 100, 4};
    ASSERT_TRUE(
        current.SetCurrent("A name of twenty-five chr", numbers, appearance, {.untitled = true}));
    EXPECT_TRUE(current.Initialized());
    EXPECT_EQ(current.Definition().Name.str(), "A name of twenty-fiv");
    EXPECT_EQ(ui.Title(), "Zolt - A name of twenty-fiv");
    EXPECT_EQ(NumbersOf(current.Definition()), numbers) << "Qfinish is taken as given";
    EXPECT_EQ(current.Definition().Appearance.Palette, appearance.Palette);
    EXPECT_TRUE(current.Definition().Untitled);
    EXPECT_EQ(ui.GetCommandState(), CommandBits({kCmdSave, kCmdSaveAs, kCmdProperties,
                                                 kCmdExportImage, kCmdColouring, kCmdExportMovie}));
}

TEST_F(CurrentFractalTest, TheFirstInitialisationEmptiesTheHistoryButLaterOnesKeepIt) {
    current.EnsureInitialized();
    current.PushCurrent(true);
    ASSERT_TRUE(current.SetCurrent("Next", {0, 1, 0, 1, 5, 4}, Appearance{}, {}));
    EXPECT_EQ(history.Count(), 1);
    EXPECT_EQ(current.Definition().Name.str(), "Next");
}

TEST_F(CurrentFractalTest, GuardedOperationsDoNothingBeforeInitialisation) {
    current.MarkUntitled();
    current.ClearUntitled();
    current.LockAspect();
    current.UnlockAspect();
    current.RefreshAspect();
    EXPECT_FALSE(current.Definition().AspectLocked);
    EXPECT_EQ(current.Definition().Qfinish, 0.0);
}

TEST_F(CurrentFractalTest, TheAspectIsKeptWhileLockedAndDerivedWhenReleased) {
    current.EnsureInitialized();
    EXPECT_DOUBLE_EQ(current.Definition().Qfinish, 1.3125);
    current.LockAspect();
    ui.SetViewSize({300, 450});
    current.RefreshAspect();
    EXPECT_DOUBLE_EQ(current.Definition().Qfinish, 1.3125);
    current.UnlockAspect();
    EXPECT_DOUBLE_EQ(current.Definition().Qfinish, 4.125);
}

TEST_F(CurrentFractalTest, RenameRetitlesAndReleaseForgetsTheFractal) {
    current.EnsureInitialized();
    current.Rename("Leaf");
    EXPECT_EQ(ui.Title(), "Zolt - Leaf");
    current.MarkUntitled();
    EXPECT_TRUE(current.Definition().Untitled);
    current.ClearUntitled();
    EXPECT_FALSE(current.Definition().Untitled);
    current.Release();
    EXPECT_FALSE(current.Initialized());
    EXPECT_EQ(current.Definition().Appearance.Palette.Capacity(), -1);
}

}  // namespace
}  // namespace zolt
