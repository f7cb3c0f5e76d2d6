#include "dialogs/options_fields.h"

#include <gtest/gtest.h>

#include "dialog_test_dir.h"
#include "dialogs/choice_list.h"
#include "engine/generation_defaults.h"
#include "shell/headless_surface.h"

namespace zolt {
namespace {

// The values a list shows for the choices, and which one is selected (0 for none).
struct Shown {
    std::vector<int> values;
    int selected = 0;
    bool enabled = true;
    bool operator==(const Shown&) const = default;
};

Shown Show(const ResolutionChoices& choices) {
    ChoiceList list;
    const int index = FillHalving(list, choices.high, choices.low, choices.selected);
    Shown shown{{}, index < 0 ? 0 : list.At(index).value, choices.enabled};
    for (const Choice& choice : list.All())
        shown.values.push_back(choice.value);
    return shown;
}

TEST(ResolutionChoices, OpenWithTheBuiltInDefaults) {
    EXPECT_EQ(Show(InitialChoices(8)), (Shown{{8, 4, 2, 1}, 8, true}));
    EXPECT_EQ(Show(PenultimateChoices(8, 4)), (Shown{{8, 4, 2}, 4, true}));
    // Initial 1 leaves the penultimate size no choice.
    EXPECT_EQ(Show(PenultimateChoices(1, 4)), (Shown{{1}, 1, false}));
    // A hand-edited size that is not offered opens without a selection.
    EXPECT_EQ(Show(InitialChoices(3)).selected, 0);
    EXPECT_EQ(Show(PenultimateChoices(16, 16)), (Shown{{8, 4, 2}, 0, true}));
}

TEST(ResolutionChoices, PenultimateFollowsTheInitialSize) {
    // 8, then 4, 2, 1 and 8 again, starting from penultimate 4.
    Shown shown = Show(RelinkPenultimate(4, 4));
    EXPECT_EQ(shown, (Shown{{4, 2}, 4, true}));
    shown = Show(RelinkPenultimate(2, shown.selected));
    EXPECT_EQ(shown, (Shown{{2}, 2, true}));
    shown = Show(RelinkPenultimate(1, shown.selected));
    EXPECT_EQ(shown, (Shown{{1}, 1, false}));
    shown = Show(RelinkPenultimate(8, shown.selected));
    EXPECT_EQ(shown, (Shown{{8, 4, 2}, 2, true}));
    // A smaller penultimate size than the new initial one is kept.
    EXPECT_EQ(Show(RelinkPenultimate(4, 2)), (Shown{{4, 2}, 2, true}));
}

class AcceptOptionsTest : public ::testing::Test {
  protected:
    test::SettingsDir dir;
    RegistryStore store{"JKV", "Zolt", "1.0", dir.Roots()};
    HeadlessSurface ui;
    GenerationDefaults defaults{ui, &store};
};

TEST_F(AcceptOptionsTest, StoresAndSavesAllSevenValues) {
    defaults.values.GeneratePriority = 6;
    defaults.values.ShowToolbar = false;
    ASSERT_TRUE(AcceptOptions({false, 4, 2, "0"}, defaults, ui));
    const DefaultValues expected{false, 4, 2, 0, 6, false, true};
    EXPECT_EQ(defaults.values, expected);
    EXPECT_EQ(GenerationDefaults(ui, &store).values, expected);
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(AcceptOptionsTest, InitialOneStoresPenultimateOne) {
    ASSERT_TRUE(AcceptOptions({true, 1, std::nullopt, "25"}, defaults, ui));
    EXPECT_EQ(defaults.values.InitialResolution, 1);
    EXPECT_EQ(defaults.values.PenultimateResolution, 1);
}

TEST_F(AcceptOptionsTest, RefusalsLeaveTheDefaultsAndTheStoreAlone) {
    const DefaultValues before = defaults.values;
    EXPECT_FALSE(AcceptOptions({false, std::nullopt, 2, "5"}, defaults, ui));
    EXPECT_FALSE(AcceptOptions({false, 4, std::nullopt, "5"}, defaults, ui));
    EXPECT_TRUE(ui.Messages().empty());
    for (const char* bad : {"", "-1", "ten", "2147483648"})
        EXPECT_FALSE(AcceptOptions({false, 4, 2, bad}, defaults, ui)) << bad;
    EXPECT_EQ(ui.Messages(), std::vector<std::string>(4, "Iterative increment not valid."));
    EXPECT_EQ(defaults.values, before);
    EXPECT_EQ(GenerationDefaults(ui, &store).values, before);
}

TEST(AcceptOptions, WithoutAStoreTheValuesAreUsedUnsaved) {
    HeadlessSurface ui;
    GenerationDefaults defaults(ui, nullptr);
    ASSERT_TRUE(AcceptOptions({false, 2, 2, "2147483647"}, defaults, ui));
    EXPECT_EQ(defaults.values.IterativeIncrement, 2147483647);
    EXPECT_TRUE(ui.Messages().empty());
}

}  // namespace
}  // namespace zolt
