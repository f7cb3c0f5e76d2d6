#include "document/fractal_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>

#include "support/temp_dir.h"

namespace zolt {
namespace {

std::string Hex(const Rgb& rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "%02x%02x%02x", rgb.red, rgb.green, rgb.blue);
    return text;
}

std::string Lines(const std::vector<std::string>& lines, const char* end = "\r\n") {
    std::string text;
    for (const std::string& line : lines)
        text += line + end;
    return text;
}

const std::vector<std::string> kHeader = {"Version:1.0", "-2.5", "1.25", "-1.5", "250",
                                          "200.000000",  "0",    "2",    "4"};
const std::vector<std::string> kPalette = {"", "ff0000", "00ff00", "0000ff", "ffffff", ""};

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<std::string> WithLine(std::vector<std::string> lines, std::size_t number,
                                  const std::string& text) {
    lines.at(number - 1) = text;
    return lines;
}

// The definition a New of `colours` colours gives, with the home view.
FractalDef Defined(int colours,
                   const GenerationSnapshot& numbers = {-2.5, 1.25, -1.5, 1.0, 250, 200.0}) {
    FractalDef def;
    def.Name.Assign("Fractal");
    SetNumbersOf(def, numbers);
    def.Appearance.Colours = colours;
    BuildPalette(colours, def.Appearance.Palette);
    return def;
}

FractalRead Read(const std::string& bytes, ViewSize view = {760, 620}) {
    return ReadFractalLines(SplitTextLines(bytes), view, 256);
}

TEST(FractalFile, DefaultDefinitionIs267Lines) {
    const auto lines = FractalFileLines(Defined(256));
    ASSERT_TRUE(lines);
    std::vector<std::string> expected = {"Version:1.0", "-2.5", "1.25", "-1.5", "250",
                                         "200.000000",  "0",    "2",    "256",  ""};
    Palette palette;
    BuildPalette(256, palette);
    for (const Rgb& rgb : palette.Entries())
        expected.push_back(Hex(rgb));
    expected.push_back("");
    ASSERT_EQ(expected.size(), 267u);
    EXPECT_EQ(expected[10], "7f007f");
    EXPECT_EQ(*lines, expected);
}

TEST(FractalFile, RoundTripKeepsCoordinatesBitForBitAndDerivesQfinish) {
    const GenerationSnapshot views[] = {
        {-2.5, 1.25, -1.5, 0, 250, 200.0},
        {0.1, 0.30000000000000004, -0.0, 0, 1, 2.5},
        {4.9406564584124654e-324, DBL_MAX, -DBL_MIN, 0, 2147483647, 1e300},
        {1.0 / 3.0, std::bit_cast<double>(0x400921fb54442d18ULL), -1e-300, 0, 5, -0.125},
        {-0.7436438870371587, -0.7436438870371577, 0.13182590420531, 0, 100000, 9.9e117},
    };
    for (const GenerationSnapshot& view : views) {
        const auto lines = FractalFileLines(Defined(7, view));
        ASSERT_TRUE(lines);
        const FractalRead read = Read(Lines(*lines), {400, 300});
        ASSERT_TRUE(read.content);
        const GenerationSnapshot& back = read.content->numbers;
        const auto bits = [](double v) { return std::bit_cast<std::uint64_t>(v); };
        EXPECT_EQ(bits(back.Pstart), bits(view.Pstart));
        EXPECT_EQ(bits(back.Pfinish), bits(view.Pfinish));
        EXPECT_EQ(bits(back.Qstart), bits(view.Qstart));
        EXPECT_EQ(back.Qfinish,
                  DeriveQfinish(view.Pstart, view.Pfinish, view.Qstart, ViewSize{400, 300}));
        EXPECT_EQ(back.Iterations, view.Iterations);
        EXPECT_EQ(back.Escape, view.Escape);
        EXPECT_EQ(read.content->appearance.Colours, 7);
        Palette seven;
        BuildPalette(7, seven);
        EXPECT_EQ(read.content->appearance.Palette, seven);
    }
}

// A view `digits` decimal places deep near -0.75 + 0.1 i, its corners all digits.
DeepCoordinates DeepCorners(int digits) {
    std::string tail;
    for (int i = 0; i < digits; ++i)
        tail += static_cast<char>('0' + (i * 7 + 3) % 10);
    return {"-0.75" + tail, "-0.75" + tail.substr(0, tail.size() - 2) + "01", "0.1" + tail};
}

TEST(FractalFile, DeepViewsKeepEveryDigitWhereOlderReadersDoNotLook) {
    for (const int digits : {100, 1000}) {
        FractalDef def = Defined(7);
        GenerationSnapshot numbers = NumbersOf(def);
        ASSERT_TRUE(SetExactCorners(numbers, DeepCorners(digits), {400, 300}));
        SetNumbersOf(def, numbers);
        const auto lines = FractalFileLines(def);
        ASSERT_TRUE(lines);
        for (const std::string& line : *lines)
            EXPECT_LE(line.size(), kLongestReadBackLine);

        // The file up to the palette's final line is the file of the nearest doubles.
        FractalDef nearest = Defined(7);
        numbers.Deep = {};
        SetNumbersOf(nearest, numbers);
        const auto shallow = FractalFileLines(nearest);
        ASSERT_TRUE(shallow);
        ASSERT_GT(lines->size(), shallow->size());
        EXPECT_TRUE(std::equal(shallow->begin(), shallow->end(), lines->begin()));

        const FractalRead read = Read(Lines(*lines), {400, 300});
        ASSERT_TRUE(read.content);
        EXPECT_EQ(read.content->numbers.Deep, def.Deep) << digits;
        EXPECT_EQ(read.content->numbers.Pstart, def.Pstart);
        EXPECT_EQ(read.content->numbers.Qfinish, DeriveQfinish(NumbersOf(def), {400, 300}));
        // An older reader stops after the palette: the view of the nearest doubles.
        const FractalRead old = Read(Lines(*shallow), {400, 300});
        ASSERT_TRUE(old.content);
        EXPECT_TRUE(old.content->numbers.Deep.empty());
        EXPECT_EQ(old.content->numbers.Pstart, def.Pstart);
        EXPECT_EQ(old.content->numbers.Qstart, def.Qstart);

        // A block that does not belong to the number lines is not used; the file still loads.
        // One that does but is damaged refuses the file at its first bad line.
        const std::size_t block = shallow->size();
        const struct {
            std::size_t line;
            std::string text;
            long long refusedAt;  // 0: loads, with the doubles
        } edits[] = {
            {2, "-0.75", 0},               // line 2 edited by hand: the check line disagrees
            {block + 1, "ZoltDeep:2", 0},  // a block of another kind
            {block + 3, "Pfinish", static_cast<long long>(block + 3)},  // a label missing
            {block + 4, "-0.7x", static_cast<long long>(block + 4)},    // not a number
        };
        for (const auto& e : edits) {
            const FractalRead edited = Read(Lines(WithLine(*lines, e.line, e.text)), {400, 300});
            EXPECT_EQ(edited.line, e.refusedAt) << e.line;
            ASSERT_EQ(edited.content.has_value(), e.refusedAt == 0) << e.line;
            if (edited.content) {
                EXPECT_TRUE(edited.content->numbers.Deep.empty()) << e.line << " " << e.text;
            }
        }
    }
}

// "%f" of an Escape from about 1e118 on would not read back as one line.
TEST(FractalFile, HugeEscapeIsWrittenSoThatItReadsBack) {
    for (double escape : {9.9e117, 1e118, 1e121, DBL_MAX, -DBL_MAX}) {
        const auto lines = FractalFileLines(Defined(4, {-2.5, 1.25, -1.5, 0, 250, escape}));
        ASSERT_TRUE(lines);
        EXPECT_EQ(lines->size(), 15u) << escape;
        const FractalRead read = Read(Lines(*lines));
        ASSERT_TRUE(read.content);
        EXPECT_EQ(read.content->numbers.Escape, escape);
        EXPECT_EQ(read.content->appearance.Palette.Count(), 4);
    }
}

TEST(FractalFile, NoLinesWithoutPaletteStorageOrWithoutFiniteNumbers) {
    EXPECT_FALSE(FractalFileLines(Defined(4, {-2.5, HUGE_VAL, -1.5, 0, 250, 200})));
    EXPECT_FALSE(FractalFileLines(Defined(4, {-2.5, 1.25, -1.5, 0, 250, NAN})));
    FractalDef none = Defined(4);
    none.Appearance.Palette.Clear();  // no storage
    EXPECT_FALSE(FractalFileLines(none));
}

struct LoadCase {
    const char* what;
    std::string bytes;
    bool loads;
    std::string message;
    long long line;  // the line that refused the file
};

TEST(FractalFile, MalformedFiles) {
    const std::vector<std::string> full = Join(kHeader, kPalette);
    const LoadCase cases[] = {
        {"empty", "", false, "", 0},
        {"version line only", "Version:1.0\r\n", false, "", 0},
        {"eight header lines", Lines({kHeader.begin(), kHeader.end() - 1}), false, "", 0},
        {"bad header line", Lines(WithLine(full, 5, "abc")), false, "", 5},
        {"blank after a number", Lines(WithLine(full, 5, "250 ")), false, "", 5},
        {"NUL in a number", Lines(WithLine(full, 3, std::string("1\0", 2))), false, "", 3},
        {"version 0.0", Lines(WithLine(full, 1, "Version:0.0")), false, "Cannot load this format.",
         2},
        {"blank before version", Lines(WithLine(full, 1, "Version: 1.0")), false, "Unknown format.",
         2},
        {"no version text", Lines(WithLine(full, 1, "Version:")), false, "Unknown format.", 2},
        // A line read in pieces would be read as several lines: refused where it starts.
        {"200-character version line",
         Lines(WithLine(full, 1, "Version:1.0" + std::string(189, ' '))), false, "", 1},
        {"200-character Pstart", Lines(WithLine(full, 2, "-2." + std::string(197, '5'))), false, "",
         2},
        {"Iterations 1e300", Lines(WithLine(full, 5, "1e300")), false, "", 5},
        {"Iterations nan", Lines(WithLine(full, 5, "nan")), false, "", 5},
        // An iteration limit is at least 1, in a file as on the command line and in the dialog.
        {"Iterations 0", Lines(WithLine(full, 5, "0")), false, "", 5},
        {"Iterations -5", Lines(WithLine(full, 5, "-5")), false, "", 5},
        {"Iterations 0.9", Lines(WithLine(full, 5, "0.9")), false, "", 5},
        {"Modulation inf", Lines(WithLine(full, 8, "inf")), false, "", 8},
        {"Colours 3000000000", Lines(WithLine(full, 9, "3000000000")), false, "", 9},
        {"Colours -1", Lines(WithLine(full, 9, "-1")), false, "", 9},
        {"any eight characters before 1.0",
         Lines(WithLine(full, 1,
                        "12345678"
                        "1.0")),
         true, "", 0},
        {"leading blank", Lines(WithLine(full, 5, " 250")), true, "", 0},
        {"LF line ends", Lines(full, "\n"), true, "", 0},
        {"Modulation not checked", Lines(WithLine(full, 8, "-7.9")), true, "", 0},
    };
    for (const LoadCase& c : cases) {
        const FractalRead read = Read(c.bytes);
        EXPECT_EQ(read.content.has_value(), c.loads) << c.what;
        EXPECT_EQ(read.message, c.message) << c.what;
        EXPECT_EQ(read.line, c.line) << c.what;
    }
}

TEST(FractalFile, HeaderValues) {
    const std::vector<std::string> full = Join(kHeader, kPalette);
    FractalRead read = Read(Lines(WithLine(WithLine(full, 6, "2.500000"), 7, "1.0")));
    ASSERT_TRUE(read.content);
    EXPECT_EQ(read.content->numbers.Escape, 2.5);
    EXPECT_TRUE(read.content->appearance.Monochrome);
    read = Read(Lines(WithLine(WithLine(full, 5, "12.9"), 7, "2")));
    ASSERT_TRUE(read.content);
    EXPECT_FALSE(read.content->appearance.Monochrome);
    EXPECT_EQ(read.content->numbers.Iterations, 12);
}

TEST(FractalFile, PaletteLines) {
    const std::vector<std::string> palette = {"", "FF8000xyz", "ff", "zz80A0", "0f0", "", "junk"};
    const FractalRead read = Read(Lines(Join(kHeader, palette), "\n"));
    ASSERT_TRUE(read.content);
    const std::vector<Rgb> expected{{255, 128, 0}, {255, 0, 0}, {0, 128, 160}, {15, 0, 0}};
    const auto entries = read.content->appearance.Palette.Entries();
    EXPECT_EQ(std::vector<Rgb>(entries.begin(), entries.end()), expected);
    EXPECT_EQ(read.content->appearance.Colours, 4);
}

// A missing or short palette is replaced by a fresh one of the view's colour count.
TEST(FractalFile, MissingOrShortPaletteIsRebuilt) {
    Palette rebuilt;
    BuildPalette(256, rebuilt);
    const std::vector<std::string> cases[] = {
        kHeader,                                                       // nine header lines only
        Join(kHeader, {"", "ff0000", "00ff00"}),                       // two lines short
        Join(WithLine(kHeader, 9, "0"), {"", "ff0000"}),               // Colours 0
        Join(WithLine(kHeader, 9, "2147483647"), {"", "ff0000", ""}),  // huge Colours, few lines
    };
    for (const auto& lines : cases) {
        const FractalRead read = Read(Lines(lines));
        ASSERT_TRUE(read.content);
        EXPECT_EQ(read.content->appearance.Colours, 256);
        EXPECT_EQ(read.content->appearance.Palette, rebuilt);
    }
}

}  // namespace
}  // namespace zolt
