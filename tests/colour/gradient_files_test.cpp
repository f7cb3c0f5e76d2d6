#include "colour/gradient_files.h"

#include <gtest/gtest.h>

#include <fstream>

#include "colour/gradient.h"
#include "support/temp_dir.h"

namespace zolt {
namespace {

constexpr const char* kGgr =
    "GIMP Gradient\n"
    "Name: Sunrise over water\n"
    "3\n"
    "0.000000 0.250000 0.400000 0.1 0.2 0.3 1.0 0.9 0.5 0.1 0.5 0 0\n"
    "0.400000 0.500000 0.700000 0.9 0.5 0.1 0.5 1 1 1 1 3 1\n"
    "0.700000 0.900000 1.000000 1 1 1 1 0 0 0 0 5 2 0 0\n";

TEST(GradientFiles, MapsAndGimpGradientsReadBackEqual) {
    const GradientRead map = ReadMapText("dir/fire.map", "0 0 0 black\n255 128 7\r\n\n  9 9 9\n");
    ASSERT_TRUE(map.gradient) << map.error;
    EXPECT_EQ(map.gradient->kind, GradientKind::Entries);
    EXPECT_EQ(map.gradient->name, "fire");
    EXPECT_EQ(map.gradient->stops.size(), 3u);
    EXPECT_EQ(map.gradient->stops[1].colour, (Rgb{255, 128, 7}));
    const GradientRead mapAgain = ReadMapText("fire.map", MapText(*map.gradient, {}));
    ASSERT_TRUE(mapAgain.gradient);
    EXPECT_EQ(*mapAgain.gradient, *map.gradient);

    const GradientRead ggr = ReadGgrText("x.ggr", kGgr);
    ASSERT_TRUE(ggr.gradient) << ggr.error;
    EXPECT_EQ(ggr.gradient->name, "Sunrise over water");
    ASSERT_EQ(ggr.gradient->segments.size(), 3u);
    EXPECT_EQ(ggr.gradient->segments[1].blend, SegmentBlend::SphereIncreasing);
    EXPECT_EQ(ggr.gradient->segments[2].model, SegmentModel::HsvClockwise);
    EXPECT_EQ(ggr.gradient->segments[1].leftColour.alpha, 0.5);
    const GradientRead ggrAgain = ReadGgrText("x.ggr", GgrText(*ggr.gradient, {}));
    ASSERT_TRUE(ggrAgain.gradient) << ggrAgain.error;
    EXPECT_EQ(*ggrAgain.gradient, *ggr.gradient);

    // Our own gradients go out as straight segments through their colours.
    const Gradient& ember = GradientPresets()[1];
    const GradientRead exported = ReadGgrText("e.ggr", GgrText(ember, {}));
    ASSERT_TRUE(exported.gradient) << exported.error;
    for (const double position : {0.0, 0.3, 0.61, 0.99})
        EXPECT_EQ(PixelOf(GradientColour(*exported.gradient, {}, position)),
                  PixelOf(GradientColour(ember, {}, position)))
            << position;
}

TEST(GradientFiles, HostileFilesAreRefusedNamingTheLine) {
    std::string manyStops;
    for (int k = 0; k < 1000000; ++k)
        manyStops += "1 2 3\n";
    struct Case {
        bool ggr;
        std::string text;
        std::string where;  // what the message must name
    };
    const Case cases[] = {
        {false, "", "map: no colours"},
        {false, "1 2 3\n4 5\n", "map, line 2:"},
        {false, "1 2 256\n", "map, line 1:"},
        {false, "1 2 -3\n", "map, line 1:"},
        {false, "1 2 3.5\n", "map, line 1:"},
        {false, "1 2 3\nnan nan nan\n", "map, line 2:"},
        {false, std::string("1 2 3\n\x89PNG\0\0", 12), "map, line 2: not a line of text"},
        {false, manyStops, "map, line 4097: more than 4096 colours"},
        {true, "GIMP Palette\n", "ggr, line 1: not a GIMP gradient"},
        {true, "GIMP Gradient\nName: x\n0\n", "ggr, line 3:"},
        {true, "GIMP Gradient\n1000000\n", "ggr, line 2:"},
        {true, "GIMP Gradient\n2\n0 0.5 0.5 0 0 0 1 1 1 1 1 0 0\n", "ggr, line 4: the file ends"},
        {true, "GIMP Gradient\n1\n0 0.5 1 nan 0 0 1 1 1 1 1 0 0\n", "ggr, line 3:"},
        {true, "GIMP Gradient\n1\n0 0.5 1 inf 0 0 1 1 1 1 1 0 0\n", "ggr, line 3:"},
        {true, "GIMP Gradient\n1\n0 0.5 1 0 0 0 1 1 1 1 1 6 0\n", "ggr, line 3:"},
        {true, "GIMP Gradient\n1\n0 0.5 1 0 0 0 1 1 1 1 1 0\n", "ggr, line 3:"},
        {true, "GIMP Gradient\n1\n0 0.5 0.9 0 0 0 1 1 1 1 1 0 0\n", "ggr, line 3: the segments"},
        {true, "GIMP Gradient\n2\n0 0.5 0.5 0 0 0 1 1 1 1 1 0 0\n0.6 0.7 1 0 0 0 1 1 1 1 1 0 0\n",
         "ggr, line 4: the segments"},
        {true, "GIMP Gradient\n1\n0 0.6 0.5 0 0 0 1 1 1 1 1 0 0\n", "ggr, line 3:"},
    };
    for (const Case& c : cases) {
        const GradientRead read =
            c.ggr ? ReadGgrText("bad.ggr", c.text) : ReadMapText("bad.map", c.text);
        EXPECT_FALSE(read.gradient) << c.where;
        EXPECT_NE(read.error.find("bad." + c.where), std::string::npos)
            << read.error << " | " << c.where;
    }
}

TEST(GradientFiles, LoadAndSaveFiles) {
    test::TempDir dir;
    const auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(dir.Path() / name, std::ios::binary) << bytes;
        return dir.Path() / name;
    };
    // By the extension first, the content otherwise.
    EXPECT_TRUE(LoadGradientFile(write("a.GGR", kGgr)).gradient);
    EXPECT_TRUE(LoadGradientFile(write("a.txt", kGgr)).gradient);
    EXPECT_TRUE(LoadGradientFile(write("b.map", "1 2 3\n")).gradient);
    const GradientRead huge = LoadGradientFile(write("huge.map", std::string(2 << 20, '1')));
    EXPECT_FALSE(huge.gradient);
    EXPECT_EQ(huge.error.rfind("huge.map: larger than", 0), 0u) << huge.error;
    const GradientRead missing = LoadGradientFile(dir.Path() / "none.map");
    EXPECT_EQ(missing.error, "none.map: No such file or directory");

    const Gradient& preset = GradientPresets()[2];
    std::string reason;
    ASSERT_TRUE(SaveGgrFile(dir.Path() / "out.ggr", preset, {}, &reason)) << reason;
    const GradientRead saved = LoadGradientFile(dir.Path() / "out.ggr");
    ASSERT_TRUE(saved.gradient) << saved.error;
    EXPECT_EQ(saved.gradient->name, preset.name);
    EXPECT_FALSE(SaveGgrFile(dir.Path() / "no" / "out.ggr", preset, {}, &reason));
}

}  // namespace
}  // namespace zolt
