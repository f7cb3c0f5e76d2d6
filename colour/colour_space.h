#pragma once

// Colour spaces: sRGB and linear light, Oklab for blending, and HSV as GIMP gradients blend.
// Pure computation.

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/image_buffer.h"
#include "engine/palette.h"

namespace zolt {

// Linear-light RGB, each component nominally 0 to 1: light adds up here, so averages and shading
// are computed in it.
struct LinearRgb {
    float red = 0.0f;
    float green = 0.0f;
    float blue = 0.0f;
};

// The sRGB transfer function on a component from 0 to 1, and its inverse.
double SrgbToLinear(double encoded);
double LinearToSrgb(double linear);

namespace detail {

// Steps of the table that finds a level quickly: the sRGB curve is steepest at 0, where it
// climbs 255 x 12.92 (about 3,300) levels a unit of light, so a step of 1/4096 crosses at most
// one level.
inline constexpr int kCoarseSteps = 4096;

// The linear value of each 8-bit level, and the values halfway between neighbouring levels in
// sRGB terms: a linear value encodes to the number of midpoints at or below it. `coarse` holds
// that number at each step of 1/kCoarseSteps, so one more look at a midpoint finds any level.
struct SrgbTables {
    std::array<float, 256> linear{};
    std::array<float, 256> midpoints{};  // the last one unreachable: level 255 is the top
    std::array<std::uint8_t, kCoarseSteps + 1> coarse{};
};
extern const SrgbTables kSrgb;

}  // namespace detail

// An 8-bit sRGB level in linear light, from a table of the exact curve.
inline float LinearOfLevel(std::uint8_t level) {
    return detail::kSrgb.linear[level];
}

// The 8-bit level nearest to a linear value in sRGB terms (clamped to 0 to 255): the exact
// inverse of LinearOfLevel, so every level comes back as itself. Without branches, since shading
// calls it for every component of every pixel: NaN and values below 0 give 0, above 1 give 255.
inline std::uint8_t LevelOfLinear(float linear) {
    const float clamped = std::min(linear > 0.0f ? linear : 0.0f, 1.0f);
    const auto step = static_cast<int>(clamped * static_cast<float>(detail::kCoarseSteps));
    const std::uint8_t level = detail::kSrgb.coarse[static_cast<std::size_t>(step)];
    return static_cast<std::uint8_t>(level + (clamped >= detail::kSrgb.midpoints[level] ? 1 : 0));
}

inline LinearRgb LinearOf(Pixel pixel) {
    return {LinearOfLevel(static_cast<std::uint8_t>(pixel >> 16)),
            LinearOfLevel(static_cast<std::uint8_t>(pixel >> 8)),
            LinearOfLevel(static_cast<std::uint8_t>(pixel))};
}

inline Pixel PixelOf(const LinearRgb& colour) {
    return MakePixel(LevelOfLinear(colour.red), LevelOfLinear(colour.green),
                     LevelOfLinear(colour.blue));
}

// Oklab, a perceptual space: a straight line between two colours in it passes no muddy or dark
// midpoints, which makes it the space gradients blend in.
struct Oklab {
    float lightness = 0.0f;
    float a = 0.0f;
    float b = 0.0f;
};
Oklab OklabOf(const LinearRgb& colour);
LinearRgb LinearOf(const Oklab& colour);  // out of gamut where Oklab lies outside sRGB

// Hue (0 to 1, a full turn), saturation and value of an sRGB colour with components 0 to 1.
struct Hsv {
    double hue = 0.0;
    double saturation = 0.0;
    double value = 0.0;
};
Hsv HsvOf(double red, double green, double blue);
void RgbOf(const Hsv& hsv, double& red, double& green, double& blue);

// "rrggbb": six lower-case hexadecimal digits; read in either case, exactly six.
std::string RgbHexText(Rgb rgb);
std::optional<Rgb> ReadRgbHex(std::string_view text);

// Pixels averaged in linear light: each output pixel of `rows` rows of `width` the mean of a
// factor x factor block of the input, whose rows are `stride` pixels apart (`width * factor`
// when 0; more leaves the pixels past the last block out). The sum is exact for factors up to 8
// (the linear levels are floats, their sum of up to 64 fits a double's mantissa), so the result
// does not depend on the order of the samples.
void AverageBlocks(const Pixel* input, int width, int rows, int factor, Pixel* output,
                   std::size_t stride = 0);

}  // namespace zolt
