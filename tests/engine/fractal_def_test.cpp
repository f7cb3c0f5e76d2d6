#include "engine/fractal_def.h"

#include <gtest/gtest.h>

namespace zolt {
namespace {

TEST(DeriveQfinish, GivesSquarePixelsForTheView) {
    EXPECT_DOUBLE_EQ(DeriveQfinish(-2.5, 1.25, -1.5, ViewSize{600, 450}), 1.3125);
    // Evaluated as ((Pfinish - Pstart) / w) * h + Qstart, in this order.
    const double p0 = 0.1, p1 = 0.7, q0 = -0.3;
    EXPECT_EQ(DeriveQfinish(p0, p1, q0, ViewSize{333, 517}), ((p1 - p0) / 333) * 517 + q0);
}

TEST(DeriveQfinish, AViewWithoutWidthGivesZero) {
    EXPECT_EQ(DeriveQfinish(-2.5, 1.25, -1.5, ViewSize{0, 450}), 0.0);
    EXPECT_EQ(DeriveQfinish(-2.5, 1.25, -1.5, ViewSize{0, 0}), 0.0);
}

TEST(DeriveQfinish, AMirroredRangeIsAcceptedAndRunsUpwards) {
    EXPECT_LT(DeriveQfinish(1.25, -2.5, -1.5, ViewSize{600, 450}), -1.5);
}

TEST(FractalName, NeverHoldsMoreThanTwentyCharacters) {
    FractalName name("abcdefghijklmnopqrstuvwxy");
    EXPECT_EQ(name.str(), "abcdefghijklmnopqrst");
    name.Assign("short");
    EXPECT_EQ(name.str(), "short");
}

TEST(FractalName, ACutNeverSplitsACharacter) {
    const std::string a = "\xc3\xa4";             // 2 bytes
    const std::string euro = "\xe2\x82\xac";      // 3 bytes
    const std::string leaf = "\xf0\x9f\x8d\x81";  // 4 bytes
    const auto times = [](const std::string& s, int n) {
        std::string out;
        for (int i = 0; i < n; ++i)
            out += s;
        return out;
    };
    const struct {
        std::string given, kept;
    } cases[] = {
        {"x" + times(a, 10), "x" + times(a, 9)},
        {times(euro, 7), times(euro, 6)},
        {times(leaf, 5), times(leaf, 5)},  // exactly 20 bytes
        {times(leaf, 5) + "x", times(leaf, 5)},
        {"abcdefghijklmnopqrs" + euro, "abcdefghijklmnopqrs"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FractalName(c.given).str(), c.kept) << c.given;
}

TEST(ResetDefinition, GivesTheHomeViewAndReleasesThePalette) {
    FractalDef def;
    def.Name.Assign("x");
    def.Iterations = 9;
    def.Untitled = false;
    def.AspectLocked = true;
    ASSERT_TRUE(BuildPalette(16, def.Appearance.Palette));
    ResetDefinition(def, ViewSize{600, 450});
    EXPECT_EQ(def.Name.str(), "");
    EXPECT_EQ(NumbersOf(def), (GenerationSnapshot{-2.5, 1.25, -1.5, 1.3125, 250, 200.0}));
    EXPECT_FALSE(def.Appearance.Monochrome);
    EXPECT_EQ(def.Appearance.Modulation, 2);
    EXPECT_EQ(def.Appearance.Colours, 256);
    EXPECT_EQ(def.Appearance.Palette.Capacity(), -1);
    EXPECT_TRUE(def.Untitled);
    EXPECT_FALSE(def.AspectLocked);
}

TEST(CopyAppearance, CopiesEmptyAndFullPalettesInOrder) {
    Appearance empty;
    empty.Monochrome = true;
    empty.Modulation = 7;
    empty.Colours = 0;
    Appearance target;
    ASSERT_TRUE(BuildPalette(4, target.Palette));
    ASSERT_TRUE(CopyAppearance(empty, target));
    EXPECT_TRUE(target.Monochrome);
    EXPECT_EQ(target.Modulation, 7);
    EXPECT_EQ(target.Colours, 0);
    EXPECT_EQ(target.Palette.Count(), 0);

    Appearance full;
    ASSERT_TRUE(BuildPalette(256, full.Palette));
    ASSERT_TRUE(CopyAppearance(full, target));
    EXPECT_EQ(target.Palette, full.Palette);
    EXPECT_EQ(target.Palette.Capacity(), 256);
}

TEST(CopyDefinition, CopiesEverythingIncludingTheFlags) {
    FractalDef src;
    ResetDefinition(src, ViewSize{760, 620});
    src.Name.Assign("Leaf");
    src.Pstart = 0.25;
    src.Untitled = false;
    src.AspectLocked = true;
    ASSERT_TRUE(BuildPalette(8, src.Appearance.Palette));
    FractalDef dst;
    ASSERT_TRUE(CopyDefinition(src, dst));
    EXPECT_EQ(dst.Name, src.Name);
    EXPECT_EQ(NumbersOf(dst), NumbersOf(src));
    EXPECT_EQ(dst.Appearance.Palette, src.Appearance.Palette);
    EXPECT_FALSE(dst.Untitled);
    EXPECT_TRUE(dst.AspectLocked);
}

}  // namespace
}  // namespace zolt
