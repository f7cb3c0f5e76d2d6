#include "dialogs/properties_accept.h"
#include "dialogs/properties_fields.h"

#include <gtest/gtest.h>

#include "document/current_fractal.h"
#include "document/navigation_history.h"
#include "engine/deep_view.h"
#include "support/test_workspace.h"
#include "surface/headless_surface.h"

namespace zolt {
namespace {

struct World {
    HeadlessSurface ui{{600, 450}, 256};
    NavigationHistory history{ui};
    CurrentFractal current{ui, history};
};

PropertiesEntries NewEntries(const World& world) {
    return EntriesFor(OpeningDefinition(kNewFractalMode, world.current, world.ui),
                      world.ui.ViewClientSize());
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

TEST(ReadNumbers, KeepsEveryDigitTypedForADeepViewAndShowsItAgain) {
    World world;
    PropertiesEntries entries = NewEntries(world);
    // 600 pixels 1e-60 apart: past doubles, and longer than the 49 characters a field reads.
    const std::string digits(58, '3');
    entries.pstart = " -0.1" + digits;
    entries.pfinish = "-0.1" + digits.substr(0, 55) + "273";
    entries.qstart = "0.25";
    GenerationSnapshot numbers;
    ASSERT_EQ(ReadNumbers(entries, world.ui, numbers), NumbersFault::None);
    EXPECT_EQ(numbers.Deep, (DeepCoordinates{"-0.1" + digits, entries.pfinish, "0.25"}));
    EXPECT_EQ(numbers.Pstart, -0.1 - 1.0 / 30);
    EXPECT_EQ(numbers.Qstart, 0.25);
    const auto qfinish = LiveQfinish(entries, world.ui);
    ASSERT_TRUE(qfinish);
    EXPECT_EQ(*qfinish, "0.25" + std::string(55, '0') + "45");

    FractalDef def;
    SetNumbersOf(def, numbers);
    const PropertiesEntries shown = EntriesFor(def, world.ui.ViewClientSize());
    EXPECT_EQ(shown.pstart, numbers.Deep.Pstart);
    EXPECT_EQ(shown.qfinish, *qfinish);

    // A view doubles resolve keeps only its doubles, however many digits were typed.
    entries.pfinish = "0.4" + digits;
    ASSERT_EQ(ReadNumbers(entries, world.ui, numbers), NumbersFault::None);
    EXPECT_TRUE(numbers.Deep.empty());
}

// OK on a view that could not be drawn keeps the dialog open, as an invalid field does, and
// says why: here more digits than a deep view takes, which were once dropped for the nearest
// double.
TEST(AcceptProperties, RefusesAViewThatCouldNotBeDrawn) {
    TestWorkspace w({600, 450});
    ASSERT_TRUE(w.DefineHome("Before"));
    w.work.generator.Ready({});
    const FractalDef before = w.work.current.Definition();
    PropertiesEntries deep = EntriesFor(before, w.ui.ViewClientSize());
    deep.pstart = "-0.1" + std::string(30, '3');
    deep.pfinish = "-0.1" + std::string(29, '3') + "4";
    PropertiesEntries tooLong = deep;
    tooLong.pstart += std::string(kMaxDecimalText, '3');
    EXPECT_FALSE(
        AcceptProperties(kPropertiesMode, tooLong, 256, w.work.current, w.ui, &w.work.generator));
    EXPECT_EQ(w.ui.Messages().back(),
              "This view cannot be drawn: coordinates longer than 20000 digits.");
    EXPECT_EQ(NumbersOf(w.work.current.Definition()), NumbersOf(before));
    EXPECT_TRUE(
        AcceptProperties(kPropertiesMode, deep, 256, w.work.current, w.ui, &w.work.generator));
    EXPECT_EQ(w.work.current.Definition().Deep.Pstart, deep.pstart);
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
