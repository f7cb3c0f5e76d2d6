#include "colour/colour_space.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "settings/number_text.h"

namespace zolt {

namespace detail {

namespace {

SrgbTables MakeTables() {
    SrgbTables t;
    for (int level = 0; level < 256; ++level)
        t.linear[static_cast<std::size_t>(level)] = static_cast<float>(SrgbToLinear(level / 255.0));
    for (int level = 0; level < 255; ++level)
        t.midpoints[static_cast<std::size_t>(level)] =
            static_cast<float>(SrgbToLinear((level + 0.5) / 255.0));
    t.midpoints[255] = std::numeric_limits<float>::infinity();
    for (int step = 0; step <= kCoarseSteps; ++step) {
        const float at = static_cast<float>(step) / kCoarseSteps;
        t.coarse[static_cast<std::size_t>(step)] = static_cast<std::uint8_t>(
            std::upper_bound(t.midpoints.begin(), t.midpoints.end() - 1, at) - t.midpoints.begin());
    }
    return t;
}

}  // namespace

// Made before main: shading reads it for every pixel, without a guard.
const SrgbTables kSrgb = MakeTables();

}  // namespace detail

double SrgbToLinear(double encoded) {
    if (encoded <= 0.04045)
        return encoded / 12.92;
    return std::pow((encoded + 0.055) / 1.055, 2.4);
}

double LinearToSrgb(double linear) {
    if (linear <= 0.0031308)
        return linear * 12.92;
    return 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
}

// The matrices are those Oklab is defined by, from linear sRGB through cone responses.
Oklab OklabOf(const LinearRgb& c) {
    const float l =
        std::cbrt(0.4122214708f * c.red + 0.5363325363f * c.green + 0.0514459929f * c.blue);
    const float m =
        std::cbrt(0.2119034982f * c.red + 0.6806995451f * c.green + 0.1073969566f * c.blue);
    const float s =
        std::cbrt(0.0883024619f * c.red + 0.2817188376f * c.green + 0.6299787005f * c.blue);
    return {0.2104542553f * l + 0.7936177850f * m - 0.0040720468f * s,
            1.9779984951f * l - 2.4285922050f * m + 0.4505937099f * s,
            0.0259040371f * l + 0.7827717662f * m - 0.8086757660f * s};
}

LinearRgb LinearOf(const Oklab& c) {
    const float l0 = c.lightness + 0.3963377774f * c.a + 0.2158037573f * c.b;
    const float m0 = c.lightness - 0.1055613458f * c.a - 0.0638541728f * c.b;
    const float s0 = c.lightness - 0.0894841775f * c.a - 1.2914855480f * c.b;
    const float l = l0 * l0 * l0;
    const float m = m0 * m0 * m0;
    const float s = s0 * s0 * s0;
    return {4.0767416621f * l - 3.3077115913f * m + 0.2309699292f * s,
            -1.2684380046f * l + 2.6097574011f * m - 0.3413193965f * s,
            -0.0041960863f * l - 0.7034186147f * m + 1.7076147010f * s};
}

Hsv HsvOf(double red, double green, double blue) {
    const double high = std::max({red, green, blue});
    const double low = std::min({red, green, blue});
    const double range = high - low;
    Hsv hsv{0.0, high > 0.0 ? range / high : 0.0, high};
    if (range > 0.0) {
        double hue = 0.0;
        if (high == red)
            hue = (green - blue) / range;
        else if (high == green)
            hue = 2.0 + (blue - red) / range;
        else
            hue = 4.0 + (red - green) / range;
        hue /= 6.0;
        hsv.hue = hue < 0.0 ? hue + 1.0 : hue;
    }
    return hsv;
}

void RgbOf(const Hsv& hsv, double& red, double& green, double& blue) {
    const double v = hsv.value;
    const double s = hsv.saturation;
    double sector = (hsv.hue - std::floor(hsv.hue)) * 6.0;
    const int whole = std::min(static_cast<int>(sector), 5);
    const double f = sector - whole;
    const double p = v * (1.0 - s);
    const double q = v * (1.0 - s * f);
    const double t = v * (1.0 - s * (1.0 - f));
    // The components in each sixth of the turn.
    const std::array<std::array<double, 3>, 6> sectors = {
        {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}}};
    const auto& rgb = sectors[static_cast<std::size_t>(whole)];
    red = rgb[0];
    green = rgb[1];
    blue = rgb[2];
}

std::string RgbHexText(Rgb rgb) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : {rgb.red, rgb.green, rgb.blue}) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0f];
    }
    return text;
}

std::optional<Rgb> ReadRgbHex(std::string_view text) {
    if (text.size() != 6)
        return std::nullopt;
    std::array<std::uint8_t, 3> bytes{};
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        const std::optional<int> high = HexDigitValue(text[2 * k]);
        const std::optional<int> low = HexDigitValue(text[2 * k + 1]);
        if (!high || !low)
            return std::nullopt;
        bytes[k] = static_cast<std::uint8_t>(*high * 16 + *low);
    }
    return Rgb{bytes[0], bytes[1], bytes[2]};
}

void AverageBlocks(const Pixel* input, int width, int rows, int factor, Pixel* output,
                   std::size_t stride) {
    if (stride == 0)
        stride = static_cast<std::size_t>(width) * factor;
    const double samples = static_cast<double>(factor) * factor;
    // Row by row of the input, each pixel's light added to its block's sums: the order of the
    // additions does not matter, they are exact.
    std::vector<double> sums(3 * static_cast<std::size_t>(width));
    for (int y = 0; y < rows; ++y) {
        std::fill(sums.begin(), sums.end(), 0.0);
        for (int sy = 0; sy < factor; ++sy) {
            const Pixel* row = input + (static_cast<std::size_t>(y) * factor + sy) * stride;
            for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
                double* sum = sums.data() + 3 * x;
                const Pixel* block = row + x * static_cast<std::size_t>(factor);
                for (int sx = 0; sx < factor; ++sx) {
                    sum[0] += LinearOfLevel(static_cast<std::uint8_t>(block[sx] >> 16));
                    sum[1] += LinearOfLevel(static_cast<std::uint8_t>(block[sx] >> 8));
                    sum[2] += LinearOfLevel(static_cast<std::uint8_t>(block[sx]));
                }
            }
        }
        Pixel* out = output + static_cast<std::size_t>(y) * width;
        for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x)
            out[x] = PixelOf({static_cast<float>(sums[3 * x] / samples),
                              static_cast<float>(sums[3 * x + 1] / samples),
                              static_cast<float>(sums[3 * x + 2] / samples)});
    }
}

}  // namespace zolt
