#include "dialogs/properties_accept.h"

#include <gtest/gtest.h>

#include "document/current_fractal.h"
#include "document/navigation_history.h"
#include "shell/headless_surface.h"

namespace zolt {
namespace {

struct World {
    HeadlessSurface ui{{600, 450}, 256};
    NavigationHistory history{ui};
    CurrentFractal current{ui, history};
};

PropertiesEntries NewEntries(const World& world) {
    return EntriesFor(OpeningDefinition(kNewFractalMode, world.current, world.ui));
}

TEST(PropertiesFields, ANewFractalOpensWithTheHomeView) {
    World world;
    const PropertiesEntries entries = NewEntries(world);
    EXPECT_EQ(entries.name, "Fractal");
    EXPECT_EQ(entries.pstart, "-2.5");
    EXPECT_EQ(entries.pfinish, "1.25");
    EXPECT_EQ(entries.qstart, "-1.5");
    EXPECT_EQ(entries.qfinish, "1.3125");
    EXPECT_EQ(entries.iterations, "250");
    EXPECT_EQ(entries.escape, "200");
    EXPECT_FALSE(entries.monochrome);
    EXPECT_EQ(entries.modulation, "2");
}

TEST(PropertiesFields, ColourChoicesHalveFromTheViewsCount) {
    const ColourChoices deep = ColourChoicesFor(256, 100);
    EXPECT_EQ(deep.high, 256);
    EXPECT_EQ(deep.low, 4);
    EXPECT_EQ(deep.selected, 100);
    EXPECT_EQ(ColourChoicesFor(16, 256).selected, 16);
    EXPECT_EQ(ColourChoicesFor(2, 256).low, 2);
}

TEST(PropertiesFields, QfinishFollowsOnlyWhenEveryNumberReads) {
    World world;
    PropertiesEntries entries = NewEntries(world);
    entries.pstart = "-598.75";
    // 600 / 600 * 450 - 1.5
    EXPECT_EQ(LiveQfinish(entries, world.ui), "448.5");
    entries.iterations = "";
    EXPECT_EQ(LiveQfinish(entries, world.ui), std::nullopt);
    entries.iterations = "250";
    entries.escape = "x";
    EXPECT_EQ(LiveQfinish(entries, world.ui), std::nullopt);
    // Empty coordinates count as 0.
    entries = NewEntries(world);
    entries.pstart = "";
    EXPECT_EQ(LiveQfinish(entries, world.ui), "-0.5625");
}

TEST(ReadNumbers, ReportsTheFirstFieldThatFails) {
    World world;
    PropertiesEntries entries = NewEntries(world);
    GenerationSnapshot numbers;
    EXPECT_EQ(ReadNumbers(entries, world.ui, numbers), NumbersFault::None);
    EXPECT_EQ(numbers.Iterations, 250);
    EXPECT_EQ(numbers.Qfinish, 1.3125);

    entries.escape = "abc";
    EXPECT_EQ(ReadNumbers(entries, world.ui, numbers), NumbersFault::Escape);
    entries.iterations = "0";
    EXPECT_EQ(ReadNumbers(entries, world.ui, numbers), NumbersFault::Iterations);
    entries.qstart = "1,5";
    EXPECT_EQ(ReadNumbers(entries, world.ui, numbers), NumbersFault::Qstart);
    entries.pfinish = "one";
    EXPECT_EQ(ReadNumbers(entries, world.ui, numbers), NumbersFault::Pfinish);
    entries.pstart = "two";
    EXPECT_EQ(ReadNumbers(entries, world.ui, numbers), NumbersFault::Pstart);
}

TEST(ReadNumbers, IterationsMustBeAPositiveSignedCount) {
    World world;
    PropertiesEntries entries = NewEntries(world);
    GenerationSnapshot numbers;
    for (const char* bad : {"0", "-5", "ten", "", "2147483648", "4294967295"}) {
        entries.iterations = bad;
        EXPECT_EQ(ReadNumbers(entries, world.ui, numbers), NumbersFault::Iterations) << bad;
    }
    entries.iterations = " 2147483647";
    EXPECT_EQ(ReadNumbers(entries, world.ui, numbers), NumbersFault::None);
    EXPECT_EQ(numbers.Iterations, 2147483647);
}

TEST(ReadNumbers, HasNoRangeOrOrderCheck) {
    World world;
    PropertiesEntries entries = NewEntries(world);
    entries.pstart = "2";
    entries.pfinish = "-2";
    entries.escape = "-1e3";
    GenerationSnapshot numbers;
    ASSERT_EQ(ReadNumbers(entries, world.ui, numbers), NumbersFault::None);
    EXPECT_EQ(numbers.Escape, -1000.0);
    EXPECT_LT(numbers.Qfinish, numbers.Qstart);
}

TEST(AcceptProperties, ChecksTheNameFirstThenTheNumbersInOrder) {
    World world;
    PropertiesEntries entries = NewEntries(world);
    entries.name = "";
    entries.pstart = "bad";
    entries.iterations = "0";
    EXPECT_FALSE(AcceptProperties(kNewFractalMode, entries, 256, world.current, world.ui));
    entries.name = "Leaf";
    entries.pfinish = "bad";
    EXPECT_FALSE(AcceptProperties(kNewFractalMode, entries, 256, world.current, world.ui));
    entries.pstart = "-1";
    entries.pfinish = "1";
    EXPECT_FALSE(AcceptProperties(kNewFractalMode, entries, 256, world.current, world.ui));
    EXPECT_EQ(world.ui.Messages(),
              (std::vector<std::string>{"You must provide a name.", "Pstart not valid.",
                                        "Iterations not valid."}));
    EXPECT_FALSE(world.current.Initialized());
}

TEST(AcceptProperties, ANewFractalIsUntitledWithAFreshPalette) {
    World world;
    PropertiesEntries entries = NewEntries(world);
    entries.name = "A name typed with 25 chrs";
    ASSERT_TRUE(AcceptProperties(kNewFractalMode, entries, 16, world.current, world.ui));
    const FractalDef& def = world.current.Definition();
    EXPECT_EQ(def.Name.str(), "A name typed with 2");
    EXPECT_EQ(def.Pstart, -2.5);
    EXPECT_EQ(def.Qfinish, 1.3125);
    EXPECT_EQ(def.Iterations, 250);
    EXPECT_EQ(def.Appearance.Colours, 16);
    Palette expected;
    BuildPalette(16, expected);
    EXPECT_EQ(def.Appearance.Palette, expected);
    EXPECT_TRUE(def.Untitled);
    EXPECT_FALSE(def.AspectLocked);
    EXPECT_EQ(world.ui.Title(), "Zolt - A name typed with 2");
    EXPECT_TRUE(world.ui.Messages().empty());
}

// Makes a current definition whose palette differs from a built one, as a file can hold.
void MakeLoadedCurrent(World& world, bool untitled) {
    Appearance appearance;
    appearance.Colours = 4;
    appearance.Palette.Allocate(4);
    for (std::uint8_t i = 1; i <= 4; ++i)
        appearance.Palette.Append({i, i, i});
    world.current.SetCurrent("Loaded", HomeView(world.ui), appearance, false, untitled);
}

TEST(AcceptProperties, AnUnchangedColourCountKeepsThePaletteAndTheFlags) {
    World world;
    MakeLoadedCurrent(world, false);
    const Palette before = world.current.Definition().Appearance.Palette;
    PropertiesEntries entries =
        EntriesFor(OpeningDefinition(kPropertiesMode, world.current, world.ui));
    EXPECT_EQ(entries.name, "Loaded");
    entries.pstart = "-1";
    ASSERT_TRUE(AcceptProperties(kPropertiesMode, entries, 4, world.current, world.ui));
    const FractalDef& def = world.current.Definition();
    EXPECT_EQ(def.Pstart, -1.0);
    EXPECT_EQ(def.Appearance.Palette, before);
    EXPECT_FALSE(def.Untitled);
    // The same count through New builds the palette afresh.
    ASSERT_TRUE(AcceptProperties(kNewFractalMode, entries, 4, world.current, world.ui));
    Palette built;
    BuildPalette(4, built);
    EXPECT_EQ(world.current.Definition().Appearance.Palette, built);
    EXPECT_TRUE(world.current.Definition().Untitled);
}

TEST(AcceptProperties, AChangedColourCountRebuildsThePalette) {
    World world;
    MakeLoadedCurrent(world, true);
    PropertiesEntries entries =
        EntriesFor(OpeningDefinition(kPropertiesMode, world.current, world.ui));
    ASSERT_TRUE(AcceptProperties(kPropertiesMode, entries, 8, world.current, world.ui));
    EXPECT_EQ(world.current.Definition().Appearance.Colours, 8);
    EXPECT_EQ(world.current.Definition().Appearance.Palette.Count(), 8);
    EXPECT_TRUE(world.current.Definition().Untitled);
}

TEST(AcceptProperties, ModulationCountsOnlyInMonochrome) {
    World world;
    PropertiesEntries entries = NewEntries(world);
    entries.modulation = "rubbish";
    ASSERT_TRUE(AcceptProperties(kNewFractalMode, entries, 256, world.current, world.ui));
    EXPECT_FALSE(world.current.Definition().Appearance.Monochrome);
    EXPECT_EQ(world.current.Definition().Appearance.Modulation, 2);

    entries.monochrome = true;
    for (const char* bad : {"0", "", "-1", "2147483648"}) {
        entries.modulation = bad;
        EXPECT_FALSE(AcceptProperties(kNewFractalMode, entries, 256, world.current, world.ui));
    }
    EXPECT_EQ(world.ui.Messages(), std::vector<std::string>(4, "Modulation not valid."));
    EXPECT_FALSE(world.current.Definition().Appearance.Monochrome);

    entries.modulation = "7";
    ASSERT_TRUE(AcceptProperties(kNewFractalMode, entries, 256, world.current, world.ui));
    EXPECT_TRUE(world.current.Definition().Appearance.Monochrome);
    EXPECT_EQ(world.current.Definition().Appearance.Modulation, 7);
}

TEST(AcceptProperties, NoColourChoiceRefusesSilently) {
    World world;
    EXPECT_FALSE(AcceptProperties(kNewFractalMode, NewEntries(world), std::nullopt, world.current,
                                  world.ui));
    EXPECT_TRUE(world.ui.Messages().empty());
    EXPECT_FALSE(world.current.Initialized());
}

TEST(DialogName, CutsAtNineteenWholeCharacters) {
    EXPECT_EQ(DialogName("abcdefghijklmnopqrstuvwxy"), "abcdefghijklmnopqrs");
    EXPECT_EQ(DialogName("short"), "short");
    // Two-byte characters: nineteen of them would be 38 bytes; a definition holds 20, so ten
    // whole characters remain.
    std::string accented;
    for (int i = 0; i < 25; ++i)
        accented += "\xc3\xa9";
    EXPECT_EQ(DialogName(accented), accented.substr(0, 20));
    EXPECT_EQ(DialogName("abcdefghijklmnopqr\xc3\xa9z"), "abcdefghijklmnopqr\xc3\xa9");
}

}  // namespace
}  // namespace zolt
