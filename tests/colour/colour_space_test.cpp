#include "colour/colour_space.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zolt {
namespace {

// The 8-bit level of a linear value as the sRGB curve defines it, computed directly.
int ReferenceLevel(double linear) {
    return static_cast<int>(std::lround(255.0 * LinearToSrgb(std::clamp(linear, 0.0, 1.0))));
}

TEST(Srgb, LevelsRoundTripAndEncodeAsTheCurveDoes) {
    for (int level = 0; level < 256; ++level) {
        const auto byte = static_cast<std::uint8_t>(level);
        EXPECT_EQ(LevelOfLinear(LinearOfLevel(byte)), byte);
        EXPECT_NEAR(LinearOfLevel(byte), SrgbToLinear(level / 255.0), 1e-7);
    }
    // Densest where the curve is steepest.
    for (int k = 0; k <= 200000; ++k) {
        const double linear = std::pow(k / 200000.0, 3.0);
        const int level = LevelOfLinear(static_cast<float>(linear));
        // Halfway between two levels either one is right: floats round the midpoint.
        const double encoded = 255.0 * LinearToSrgb(linear);
        if (std::fabs(encoded - std::floor(encoded) - 0.5) > 1e-4) {
            ASSERT_EQ(level, ReferenceLevel(linear)) << linear;
        }
    }
    EXPECT_EQ(LevelOfLinear(-1.0f), 0);
    EXPECT_EQ(LevelOfLinear(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(LevelOfLinear(2.0f), 255);
    EXPECT_EQ(LevelOfLinear(std::numeric_limits<float>::infinity()), 255);
}

TEST(Oklab, ComesBackToTheSameColour) {
    for (const Pixel pixel : {kBlack, kWhite, MakePixel(255, 0, 0), MakePixel(12, 200, 90),
                              MakePixel(1, 2, 3), MakePixel(250, 250, 5)}) {
        const LinearRgb colour = LinearOf(pixel);
        EXPECT_EQ(PixelOf(LinearOf(OklabOf(colour))), pixel) << std::hex << pixel;
    }
    EXPECT_NEAR(OklabOf(LinearOf(kWhite)).lightness, 1.0f, 1e-4);
    EXPECT_NEAR(OklabOf(LinearOf(kBlack)).lightness, 0.0f, 1e-6);
}

TEST(Hsv, ConvertsBothWays) {
    double r = 0, g = 0, b = 0;
    for (const auto& [red, green, blue, hue] : {std::tuple{1.0, 0.0, 0.0, 0.0},
                                                {0.0, 1.0, 0.0, 1.0 / 3},
                                                {0.0, 0.0, 1.0, 2.0 / 3},
                                                {1.0, 0.0, 1.0, 5.0 / 6},
                                                {0.5, 0.25, 0.25, 0.0}}) {
        const Hsv hsv = HsvOf(red, green, blue);
        EXPECT_NEAR(hsv.hue, hue, 1e-12);
        RgbOf(hsv, r, g, b);
        EXPECT_NEAR(r, red, 1e-12);
        EXPECT_NEAR(g, green, 1e-12);
        EXPECT_NEAR(b, blue, 1e-12);
    }
}

// Black and white averaged give half the light, which sRGB writes as 188, not 128.
TEST(AverageBlocks, AveragesLight) {
    // Two rows of four samples: a block of two black and two white, and a white one.
    const Pixel input[] = {kBlack, kWhite, kWhite, kWhite, kWhite, kBlack, kWhite, kWhite};
    Pixel output[2] = {};
    AverageBlocks(input, 2, 1, 2, output);
    EXPECT_EQ(output[0], MakePixel(188, 188, 188));
    EXPECT_EQ(output[1], kWhite);
    // Rows four apart, of which one block is asked for: the samples past it are left out.
    AverageBlocks(input, 1, 1, 2, output, 4);
    EXPECT_EQ(output[0], MakePixel(188, 188, 188));
}

TEST(RgbHex, ReadsWhatItWrites) {
    EXPECT_EQ(RgbHexText({255, 8, 160}), "ff08a0");
    EXPECT_EQ(ReadRgbHex("FF08a0"), (Rgb{255, 8, 160}));
    for (const char* bad : {"", "ff08a", "ff08a0 ", "gg0000", "+f0000"})
        EXPECT_FALSE(ReadRgbHex(bad)) << bad;
}

}  // namespace
}  // namespace zolt
