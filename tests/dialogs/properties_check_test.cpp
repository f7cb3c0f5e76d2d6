#include "dialogs/properties_accept.h"
#include "dialogs/properties_fields.h"

#include <gtest/gtest.h>

#include "document/current_fractal.h"
#include "document/navigation_history.h"
#include "surface/headless_surface.h"

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
