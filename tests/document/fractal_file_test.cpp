#include "document/fractal_file.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>

#include "document_test_world.h"

namespace zolt {
namespace {

using test::ReadBytes;
using test::WriteBytes;

std::string Hex(const Rgb& rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "%02x%02x%02x", rgb.Red, rgb.Green, rgb.Blue);
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

class FractalFileTest : public ::testing::Test {
  protected:
    std::string Path(const std::string& name) const { return (w.dir.Path() / name).string(); }
    bool Load(const std::string& bytes, const std::string& name = "Loaded.zlt") {
        WriteBytes(Path(name), bytes);
        return w.file.RunPass(PassMode::Read, PathText(Path(name)));
    }
    bool Save(const std::string& name) {
        return w.file.RunPass(PassMode::Write, PathText(Path(name)));
    }
    const FractalDef& Def() const { return w.current.Definition(); }

    test::DocumentWorld w;
};

TEST_F(FractalFileTest, DefaultDefinitionIs267LinesToTheByte) {
    w.MakeCurrent("Fractal");
    ASSERT_TRUE(Save("Leaf.zlt"));
    std::vector<std::string> expected = {"Version:1.0", "-2.5", "1.25", "-1.5", "250",
                                         "200.000000",  "0",    "2",    "256",  ""};
    for (const Rgb& rgb : Def().Appearance.Palette.Entries())
        expected.push_back(Hex(rgb));
    expected.push_back("");
    ASSERT_EQ(expected.size(), 267u);
    EXPECT_EQ(expected[10], "7f007f");
    EXPECT_EQ(ReadBytes(Path("Leaf.zlt")), Lines(expected));
    // The saved file names the definition and makes it titled.
    EXPECT_EQ(Def().Name.str(), "Leaf");
    EXPECT_FALSE(Def().Untitled);
    EXPECT_EQ(w.ui.Title(), "Zolt - Leaf");
}

TEST_F(FractalFileTest, RoundTripKeepsCoordinatesBitForBitAndDerivesQfinish) {
    const GenerationSnapshot views[] = {
        {-2.5, 1.25, -1.5, 0, 250, 200.0},
        {0.1, 0.30000000000000004, -0.0, 0, 1, 2.5},
        {4.9406564584124654e-324, DBL_MAX, -DBL_MIN, 0, 2147483647, 1e300},
        {1.0 / 3.0, std::bit_cast<double>(0x400921fb54442d18ULL), -1e-300, 0, -5, -0.125},
        {-0.7436438870371587, -0.7436438870371577, 0.13182590420531, 0, 100000, 9.9e117},
    };
    for (const GenerationSnapshot& view : views) {
        w.MakeCurrent("Fractal", 7);
        w.current.SetNumbers(view);
        ASSERT_TRUE(Save("Round.zlt"));
        w.ui.SetViewSize({400, 300});
        w.MakeCurrent("Other", 16);
        ASSERT_TRUE(w.file.RunPass(PassMode::Read, PathText(Path("Round.zlt"))));
        const auto bits = [](double v) { return std::bit_cast<std::uint64_t>(v); };
        EXPECT_EQ(bits(Def().Pstart), bits(view.Pstart));
        EXPECT_EQ(bits(Def().Pfinish), bits(view.Pfinish));
        EXPECT_EQ(bits(Def().Qstart), bits(view.Qstart));
        EXPECT_EQ(Def().Qfinish,
                  DeriveQfinish(view.Pstart, view.Pfinish, view.Qstart, ViewSize{400, 300}));
        EXPECT_EQ(Def().Iterations, view.Iterations);
        EXPECT_EQ(Def().Escape, view.Escape);
        EXPECT_EQ(Def().Appearance.Colours, 7);
        Palette seven;
        BuildPalette(7, seven);
        EXPECT_EQ(Def().Appearance.Palette, seven);
        EXPECT_EQ(Def().Name.str(), "Round");
        w.ui.SetViewSize({760, 620});
    }
}

// "%f" of an Escape from about 1e118 on would not read back as one line.
TEST_F(FractalFileTest, HugeEscapeIsWrittenSoThatItReadsBack) {
    for (double escape : {9.9e117, 1e118, 1e121, DBL_MAX, -DBL_MAX}) {
        w.MakeCurrent("Fractal", 4);
        w.current.SetNumbers({-2.5, 1.25, -1.5, 0, 250, escape});
        ASSERT_TRUE(Save("Escape.zlt"));
        const std::string bytes = ReadBytes(Path("Escape.zlt"));
        EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 15) << escape;
        ASSERT_TRUE(w.file.RunPass(PassMode::Read, PathText(Path("Escape.zlt"))));
        EXPECT_EQ(Def().Escape, escape);
        EXPECT_EQ(Def().Appearance.Palette.Count(), 4);
    }
}

TEST_F(FractalFileTest, SaveFailsWithoutPaletteStorageOrWithoutFiniteNumbers) {
    WriteBytes(Path("Old.zlt"), "old");
    w.MakeCurrent("Fractal", 4);
    w.current.SetNumbers({-2.5, HUGE_VAL, -1.5, 0, 250, 200});
    EXPECT_FALSE(Save("Old.zlt"));
    Appearance none;  // no palette storage
    w.current.SetCurrent("Fractal", HomeView(w.ui.ViewClientSize()), none, false, false);
    EXPECT_FALSE(Save("Old.zlt"));
    EXPECT_EQ(ReadBytes(Path("Old.zlt")), "old");
    EXPECT_EQ(Def().Name.str(), "Fractal");
}

struct LoadCase {
    const char* what;
    std::string bytes;
    bool loads;
    std::vector<std::string> messages;
};

// Each malformed file fails (or loads) without touching a definition loaded before.
TEST_F(FractalFileTest, MalformedFiles) {
    const std::vector<std::string> full = Join(kHeader, kPalette);
    const LoadCase cases[] = {
        {"empty", "", false, {}},
        {"version line only", "Version:1.0\r\n", false, {}},
        {"eight header lines", Lines({kHeader.begin(), kHeader.end() - 1}), false, {}},
        {"bad header line", Lines(WithLine(full, 5, "abc")), false, {}},
        {"blank after a number", Lines(WithLine(full, 5, "250 ")), false, {}},
        {"NUL in a number", Lines(WithLine(full, 3, std::string("1\0", 2))), false, {}},
        {"version 0.0",
         Lines(WithLine(full, 1, "Version:0.0")),
         false,
         {"Cannot load this format."}},
        {"blank before version",
         Lines(WithLine(full, 1, "Version: 1.0")),
         false,
         {"Unknown format."}},
        {"no version text", Lines(WithLine(full, 1, "Version:")), false, {"Unknown format."}},
        {"200-character version line",
         Lines(WithLine(full, 1, "Version:1.0" + std::string(189, ' '))),
         false,
         {"Unknown format."}},
        {"Iterations 1e300", Lines(WithLine(full, 5, "1e300")), false, {}},
        {"Iterations nan", Lines(WithLine(full, 5, "nan")), false, {}},
        {"Modulation inf", Lines(WithLine(full, 8, "inf")), false, {}},
        {"Colours 3000000000", Lines(WithLine(full, 9, "3000000000")), false, {}},
        {"Colours -1", Lines(WithLine(full, 9, "-1")), false, {}},
        {"any eight characters before 1.0",
         Lines(WithLine(full, 1,
                        "12345678"
                        "1.0")),
         true,
         {}},
        {"leading blank", Lines(WithLine(full, 5, " 250")), true, {}},
        {"LF line ends", Lines(full, "\n"), true, {}},
        {"Modulation not checked", Lines(WithLine(full, 8, "-7.9")), true, {}},
    };
    for (const LoadCase& c : cases) {
        w.MakeCurrent("Before", 4);
        const FractalDef before = Def();
        const auto shown = static_cast<std::ptrdiff_t>(w.ui.Messages().size());
        EXPECT_EQ(Load(c.bytes), c.loads) << c.what;
        EXPECT_EQ(std::vector<std::string>(w.ui.Messages().begin() + shown, w.ui.Messages().end()),
                  c.messages)
            << c.what;
        if (!c.loads) {
            EXPECT_EQ(Def().Name, before.Name) << c.what;
            EXPECT_EQ(NumbersOf(Def()), NumbersOf(before)) << c.what;
            EXPECT_EQ(w.ui.Title(), "Zolt - Before") << c.what;
        }
    }
}

TEST_F(FractalFileTest, HeaderValues) {
    const std::vector<std::string> full = Join(kHeader, kPalette);
    ASSERT_TRUE(Load(Lines(WithLine(WithLine(full, 6, "2.500000"), 7, "1.0"))));
    EXPECT_EQ(Def().Escape, 2.5);
    EXPECT_TRUE(Def().Appearance.Monochrome);
    ASSERT_TRUE(Load(Lines(WithLine(WithLine(full, 5, "-12.9"), 7, "2"))));
    EXPECT_FALSE(Def().Appearance.Monochrome);
    EXPECT_EQ(Def().Iterations, -12);
    EXPECT_FALSE(Def().Untitled);
    EXPECT_FALSE(Def().AspectLocked);
    EXPECT_GT(w.ui.Invalidations(), 0);
}

TEST_F(FractalFileTest, PaletteLines) {
    const std::vector<std::string> palette = {"", "FF8000xyz", "ff", "zz80A0", "0f0", "", "junk"};
    ASSERT_TRUE(Load(Lines(Join(kHeader, palette), "\n")));
    const std::vector<Rgb> expected{{255, 128, 0}, {255, 0, 0}, {0, 128, 160}, {15, 0, 0}};
    const auto entries = Def().Appearance.Palette.Entries();
    EXPECT_EQ(std::vector<Rgb>(entries.begin(), entries.end()), expected);
    EXPECT_EQ(Def().Appearance.Colours, 4);
}

// A missing or short palette is replaced by a fresh one of the view's colour count.
TEST_F(FractalFileTest, MissingOrShortPaletteIsRebuilt) {
    Palette rebuilt;
    BuildPalette(256, rebuilt);
    const std::vector<std::string> cases[] = {
        kHeader,                                                       // nine header lines only
        Join(kHeader, {"", "ff0000", "00ff00"}),                       // two lines short
        Join(WithLine(kHeader, 9, "0"), {"", "ff0000"}),               // Colours 0
        Join(WithLine(kHeader, 9, "2147483647"), {"", "ff0000", ""}),  // huge Colours, few lines
    };
    for (const auto& lines : cases) {
        ASSERT_TRUE(Load(Lines(lines)));
        EXPECT_EQ(Def().Appearance.Colours, 256);
        EXPECT_EQ(Def().Appearance.Palette, rebuilt);
    }
}

TEST_F(FractalFileTest, NameComesFromTheFileName) {
    const std::string bytes = Lines(Join(kHeader, kPalette));
    ASSERT_TRUE(Load(bytes, "Big.Spiral.zlt"));
    EXPECT_EQ(Def().Name.str(), "Big.Spiral");
    ASSERT_TRUE(Load(bytes, "abcdefghijklmnopqrstuvwxy.zlt"));
    EXPECT_EQ(Def().Name.str(), "abcdefghijklmnopqrst");
    EXPECT_EQ(w.ui.Title(), "Zolt - abcdefghijklmnopqrst");
}

TEST_F(FractalFileTest, ASaveDuringAGenerationKeepsItsAspectLocked) {
    w.MakeCurrent("Busy", 4, true);
    w.current.SetAspectLock(true, false);  // as a running generation holds it
    ASSERT_TRUE(Save("Busy.zlt"));
    EXPECT_TRUE(Def().AspectLocked);
    EXPECT_FALSE(Def().Untitled);
}

}  // namespace
}  // namespace zolt
