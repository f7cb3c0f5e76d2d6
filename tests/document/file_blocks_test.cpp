#include "document/file_blocks.h"

#include <gtest/gtest.h>

#include "colour/gradient.h"
#include "document/png_file.h"
#include "support/temp_dir.h"

namespace zolt {
namespace {

FractalDef Defined(const Colouring& colouring) {
    FractalDef def;
    def.Appearance.Colours = 4;
    BuildPalette(4, def.Appearance.Palette);
    def.Appearance.Colouring = colouring;
    return def;
}

std::vector<std::string> Lines(const FractalDef& def) {
    auto lines = FractalFileLines(def);
    EXPECT_TRUE(lines);
    return lines.value_or(std::vector<std::string>{});
}

FractalRead Read(const std::vector<std::string>& lines) {
    return ReadFractalLines(SplitTextLines(JoinTextLines(lines).value()), {400, 300}, 256);
}

// One colouring of every kind of setting: each method, each kind of gradient, each blending
// and colour model, a name, numbers that need every digit.
std::vector<Colouring> Colourings() {
    std::vector<Colouring> all(5);
    all[0].method = ColourMethod::Smooth;
    all[0].repeat = 0.1 + 0.2;
    all[0].offset = -1.0 / 3;
    all[0].interior = {1, 2, 255};
    all[1].method = ColourMethod::Distance;
    all[1].thickness = 2.5;
    all[1].gradient = GradientPresets()[3];
    all[2].method = ColourMethod::Relief;
    all[2].strength = 7;
    all[2].angle = -30.25;
    all[2].gradient = {GradientKind::Entries, "fire", {{0, {1, 2, 3}}, {0.5, {4, 5, 6}}}, {}};
    all[3].method = ColourMethod::Bands;
    all[3].offset = 0.5;  // bands of the classic palette, moved
    for (int k = 0; k < 6; ++k) {
        const double left = k / 6.0, right = (k + 1) / 6.0;
        all[4].gradient.segments.push_back({left,
                                            left + 0.01,
                                            right,
                                            {0.1 * k, 0.2, 1.0 / 3, 0.5},
                                            {1, 0, 0, 1},
                                            static_cast<SegmentBlend>(k),
                                            static_cast<SegmentModel>(k % 3)});
    }
    all[4].gradient.segments.back().right = 1.0;
    all[4].gradient.kind = GradientKind::Segments;
    all[4].gradient.name = " Sunrise, over water ";
    return all;
}

TEST(ColouringBlock, EverySettingComesBackFromFilesAndPictures) {
    test::TempDir dir;
    for (const Colouring& colouring : Colourings()) {
        ASSERT_TRUE(ColouringProblem(colouring).empty()) << ColouringProblem(colouring);
        const FractalDef def = Defined(colouring);
        const std::vector<std::string> lines = Lines(def);
        for (const std::string& line : lines)
            EXPECT_LE(line.size(), kLongestReadBackLine);
        const FractalRead read = Read(lines);
        ASSERT_TRUE(read.content) << read.message;
        EXPECT_EQ(read.content->appearance.Colouring, colouring);

        const PngText text{kPictureTextKeyword, FractalFileText(def)};
        ASSERT_TRUE(WritePng({1, 1, {0}}, dir.Path() / "p.png", {&text, 1}));
        const FractalLoad load = LoadFractalFile(dir.Path() / "p.png", {400, 300}, 256);
        ASSERT_TRUE(load.content) << load.reason;
        EXPECT_EQ(load.content->appearance.Colouring, colouring);
    }
}

TEST(ColouringBlock, TheClassicColouringWritesNoBlock) {
    const std::vector<std::string> lines = Lines(Defined({}));
    EXPECT_EQ(lines.size(), 15u);
    Colouring moved;
    moved.angle = 40;  // a setting bands do not use is still the user's
    EXPECT_GT(Lines(Defined(moved)).size(), 15u);
}

// The blocks a reader does not know, or whose version it does not read, are skipped; a deep
// view's corners and a colouring come back together whichever blocks lie around them.
TEST(FileBlocks, UnknownBlocksAreSkipped) {
    FractalDef def = Defined(Colourings()[0]);
    GenerationSnapshot numbers = NumbersOf(def);
    ASSERT_TRUE(SetExactCorners(
        numbers, {"-0.75" + std::string(40, '1'), "-0.75" + std::string(39, '1') + "2", "0.1"},
        {400, 300}));
    SetNumbersOf(def, numbers);
    std::vector<std::string> lines = Lines(def);
    const auto paint = std::find(lines.begin(), lines.end(), "ZoltPaint:1");
    ASSERT_NE(paint, lines.end());
    lines.insert(paint, {"ZoltQuux:3", "Method relief", "ZoltPaint:2", "Anything at all"});
    lines.insert(lines.end(), {"ZoltNew:1", "1 2 3"});
    const FractalRead read = Read(lines);
    ASSERT_TRUE(read.content) << read.message;
    EXPECT_EQ(read.content->numbers.Deep, def.Deep);
    EXPECT_EQ(read.content->appearance.Colouring, def.Appearance.Colouring);

    // Only blocks of a version that is not read: the classic colouring.
    const std::vector<std::string> plain = Lines(Defined({}));
    std::vector<std::string> future = plain;
    future.insert(future.end(), {"ZoltPaint:2", "Method smooth", "Zolt:1", "ZoltPaint:x"});
    const FractalRead later = Read(future);
    ASSERT_TRUE(later.content);
    EXPECT_EQ(later.content->appearance.Colouring, Colouring{});
}

TEST(FileBlocks, ADamagedColouringBlockRefusesTheFileNamingTheLine) {
    const std::vector<std::string> good = Lines(Defined(Colourings()[4]));
    const auto header = static_cast<long long>(std::find(good.begin(), good.end(), "ZoltPaint:1") -
                                               good.begin() + 1);
    const std::pair<long long, std::string> damages[] = {
        {1, "Method sparkle"}, {2, "Repeat 0x10"},
        {3, "Offset nan"},     {4, "Interior 12345g"},
        {5, "Thickness"},      {8, "Gradient rainbow"},
        {9, "Colour red"},     {10, "Segment 0 0.01 0.1 0 9"},
        {11, "Right 1 0 0 1"},  // the left colour is missing
        {12, "Left 1 0 0 1"},   // and here the right one
        {0, "Repeat 0"},        // each line reads, but a repeat of 0 makes no colouring
    };
    for (const auto& [offset, text] : damages) {
        std::vector<std::string> lines = good;
        // A setting that reads but cannot colour is refused at the block's header.
        const long long at = offset == 0 ? header + 2 : header + offset;
        lines[static_cast<std::size_t>(at - 1)] = text;
        const FractalRead read = Read(lines);
        EXPECT_FALSE(read.content) << text;
        const long long named = offset == 0 ? header : at;
        EXPECT_EQ(read.line, named) << text;
        EXPECT_EQ(read.message,
                  "The colouring in this file is damaged (line " + std::to_string(named) + ").")
            << text;
    }
    std::vector<std::string> cut = good;
    cut.resize(cut.size() - 1);  // the last segment's right colour
    EXPECT_FALSE(Read(cut).content);
}

TEST(FileBlocks, HeadersAreLettersAColonAndDigits) {
    const auto header = ParseBlockHeader("ZoltPaint:12");
    ASSERT_TRUE(header);
    EXPECT_EQ(header->name, "Paint");
    EXPECT_EQ(header->version, 12);
    for (const char* line : {"Zolt:1", "ZoltPaint:", "ZoltPaint:1 ", "zoltPaint:1", "ZoltPa1nt:1",
                             "ZoltPaint:+1", "Pstart"})
        EXPECT_FALSE(ParseBlockHeader(line)) << line;
    EXPECT_EQ(ParseBlockHeader("ZoltPaint:99999999999999999999")->version, -1);
}

}  // namespace
}  // namespace zolt
