#include "engine/palette.h"

#include <gtest/gtest.h>

#include <thread>

namespace zolt {
namespace {

TEST(BuildPalette, FourEntriesComeOutToTheByte) {
    Palette palette;
    ASSERT_TRUE(BuildPalette(4, palette));
    const std::vector<Rgb> expected{{127, 0, 127}, {255, 127, 127}, {127, 127, 0}, {127, 127, 0}};
    EXPECT_EQ(std::vector<Rgb>(palette.Entries().begin(), palette.Entries().end()), expected);
    EXPECT_EQ(palette.Capacity(), 4);
    EXPECT_EQ(palette.Next(), 5);
}

TEST(BuildPalette, TwoHundredFiftySixEntriesComeOutToTheByte) {
    Palette palette;
    ASSERT_TRUE(BuildPalette(256, palette));
    ASSERT_EQ(palette.Count(), 256);
    EXPECT_EQ(palette.Entry(1), (Rgb{127, 0, 127}));
    EXPECT_EQ(palette.Entry(2), (Rgb{152, 0, 121}));
    EXPECT_EQ(palette.Entry(3), (Rgb{176, 2, 115}));
    EXPECT_EQ(palette.Entry(4), (Rgb{198, 5, 108}));
    EXPECT_EQ(palette.Entry(256), (Rgb{139, 121, 2}));
}

TEST(BuildPalette, EveryTableOfThreeOrMoreStartsWithTheSameEntryAndIsRepeatable) {
    for (int n : {3, 7, 16, 100, 1000}) {
        Palette first, second;
        ASSERT_TRUE(BuildPalette(n, first));
        ASSERT_TRUE(BuildPalette(n, second));
        EXPECT_EQ(first.Entry(1), (Rgb{127, 0, 127})) << n;
        EXPECT_EQ(first, second) << n;
    }
}

TEST(BuildPalette, SmallTablesUseTheLastThirdOnly) {
    Palette empty;
    ASSERT_TRUE(BuildPalette(0, empty));
    EXPECT_EQ(empty.Count(), 0);
    EXPECT_EQ(empty.Capacity(), 0);
    EXPECT_EQ(empty.Next(), 1);

    Palette two;
    ASSERT_TRUE(BuildPalette(2, two));
    // a = 0 and a = 2 pi (almost): f(-sin 2a), f(sin a), f(-cos 4a).
    EXPECT_EQ(two.Entry(1), (Rgb{127, 127, 0}));
    EXPECT_EQ(two.Count(), 2);
}

TEST(Palette, AppendRespectsCapacityAndStorage) {
    Palette palette;
    EXPECT_EQ(palette.Capacity(), -1);
    EXPECT_FALSE(palette.Append({1, 2, 3}));
    ASSERT_TRUE(palette.Allocate(2));
    EXPECT_TRUE(palette.Append({1, 2, 3}));
    EXPECT_TRUE(palette.Append({4, 5, 6}));
    EXPECT_FALSE(palette.Append({7, 8, 9}));
    EXPECT_EQ(palette.Next(), 3);
    palette.Clear();
    EXPECT_EQ(palette.Capacity(), -1);
    EXPECT_EQ(palette.Next(), 1);
    EXPECT_FALSE(palette.Allocate(-1));
}

TEST(Palette, AHugeCapacityReservesNothingUntilEntriesArrive) {
    Palette palette;
    ASSERT_TRUE(palette.Allocate(2147483647));
    EXPECT_TRUE(palette.Append({1, 2, 3}));
    EXPECT_EQ(palette.Count(), 1);
}

TEST(Palette, TwoTraversalsAtOnceNeitherDisturbNorRefuseEachOther) {
    Palette palette;
    ASSERT_TRUE(BuildPalette(256, palette));
    std::vector<Rgb> fromThread;
    std::thread reader([&] {
        for (const Rgb& rgb : palette.Entries())
            fromThread.push_back(rgb);
    });
    std::vector<Rgb> fromHere;
    for (const Rgb& outer : palette.Entries()) {
        fromHere.push_back(outer);
        // A nested traversal while the outer one is in progress sees the whole table too.
        EXPECT_EQ(palette.Entries().size(), 256u);
    }
    reader.join();
    EXPECT_EQ(fromHere.size(), 256u);
    EXPECT_EQ(fromThread, fromHere);
}

}  // namespace
}  // namespace zolt
