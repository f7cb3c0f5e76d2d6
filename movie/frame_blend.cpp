#include "movie/frame_blend.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "colour/colour_space.h"

namespace zolt {

namespace {

double Smoothstep(double t) {
    t = std::clamp(t, 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// How a frame coordinate along one axis samples the keyframes.
struct AxisTap {
    int outer0 = 0;  // bilinear: pixels outer0 and outer1, weight of outer1
    int outer1 = 0;
    float outerT = 0.0f;
    int inner0 = 0;  // area: up to three inner pixels from inner0
    int innerCount = 0;
    std::array<float, 3> innerWeight{};
    double edge = 0.0;  // inner pixels from the footprint's centre to the inner keyframe's edge
};

// Pixel i of an image stands for the point at position i + offset, in pixels from the image's
// left (or top) edge, and covers the pixel-wide area around it. A frame pixel's position maps
// to the keyframes' through the common centre, size / 2.
std::vector<AxisTap> Axis(int size, double fraction, double offset) {
    const double centre = size / 2.0;
    const double toOuter = std::exp2(fraction - 1.0);  // outer pixels per frame pixel
    const double toInner = std::exp2(fraction);        // inner pixels per frame pixel
    std::vector<AxisTap> taps(static_cast<std::size_t>(size));
    for (int i = 0; i < size; ++i) {
        AxisTap& tap = taps[static_cast<std::size_t>(i)];
        const double position = i + offset - centre;
        const double u = centre + position * toOuter - offset;
        const double low = std::floor(u);
        tap.outer0 = static_cast<int>(std::clamp(low, 0.0, size - 1.0));
        tap.outer1 = static_cast<int>(std::clamp(low + 1.0, 0.0, size - 1.0));
        tap.outerT = low < 0.0 || low >= size - 1.0 ? 0.0f : static_cast<float>(u - low);
        // The frame pixel's footprint on the inner keyframe, where inner pixel j covers
        // [j, j + 1).
        const double middle = centre + position * toInner - offset + 0.5;
        const double a = middle - toInner / 2.0;
        const double b = middle + toInner / 2.0;
        tap.edge = std::min(middle, size - middle);
        const int first = std::max(0, static_cast<int>(std::floor(a)));
        const int last = std::min(size - 1, static_cast<int>(std::ceil(b)) - 1);
        double total = 0.0;
        tap.inner0 = first;
        for (int j = first; j <= last && tap.innerCount < 3; ++j) {
            const double cover = std::min<double>(b, j + 1) - std::max<double>(a, j);
            tap.innerWeight[static_cast<std::size_t>(tap.innerCount++)] = static_cast<float>(cover);
            total += cover;
        }
        for (int k = 0; k < tap.innerCount; ++k)
            tap.innerWeight[static_cast<std::size_t>(k)] /= static_cast<float>(total);
        if (!(total > 0.0))
            tap.innerCount = 0;
    }
    return taps;
}

void Add(LinearRgb& sum, const LinearRgb& value, float weight) {
    sum.red += value.red * weight;
    sum.green += value.green * weight;
    sum.blue += value.blue * weight;
}

}  // namespace

void DrawFrame(const ImageBuffer& inner, const ImageBuffer* outer, double fraction, int supersample,
               ImageBuffer& frame) {
    frame.width = inner.width;
    frame.height = inner.height;
    if (fraction <= 0.0 || outer == nullptr) {
        frame.pixels = inner.pixels;
        return;
    }
    const int width = inner.width;
    const int height = inner.height;
    frame.pixels.resize(static_cast<std::size_t>(width) * height);
    // A pixel's samples sit at 0, 1/n, ... (n - 1)/n of it: their centre is this far in.
    const double offset = (supersample - 1) / (2.0 * supersample);
    const std::vector<AxisTap> across = Axis(width, fraction, offset);
    const std::vector<AxisTap> down = Axis(height, fraction, offset);
    // The band at the inner keyframe's edge over which it fades, in its pixels, and how much of
    // it shows at all.
    const double band = std::max(width, height) / 16.0 * fraction;
    const double presence = Smoothstep((1.0 - fraction) * 2.0);
    const auto at = [](const ImageBuffer& image, int x, int y) {
        return image.pixels[static_cast<std::size_t>(y) * image.width + x];
    };
    for (int y = 0; y < height; ++y) {
        const AxisTap& row = down[static_cast<std::size_t>(y)];
        Pixel* out = frame.pixels.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            const AxisTap& column = across[static_cast<std::size_t>(x)];
            const double edge = std::min(column.edge, row.edge);
            const float weight = edge <= 0.0 || row.innerCount == 0 || column.innerCount == 0
                                     ? 0.0f
                                     : static_cast<float>(presence * Smoothstep(edge / band));
            LinearRgb mixed;
            if (weight < 1.0f) {
                const float tx = column.outerT;
                const float ty = row.outerT;
                LinearRgb top, bottom;
                Add(top, LinearOf(at(*outer, column.outer0, row.outer0)), 1.0f - tx);
                Add(top, LinearOf(at(*outer, column.outer1, row.outer0)), tx);
                Add(bottom, LinearOf(at(*outer, column.outer0, row.outer1)), 1.0f - tx);
                Add(bottom, LinearOf(at(*outer, column.outer1, row.outer1)), tx);
                Add(mixed, top, (1.0f - ty) * (1.0f - weight));
                Add(mixed, bottom, ty * (1.0f - weight));
            }
            if (weight > 0.0f) {
                for (int j = 0; j < row.innerCount; ++j) {
                    const float wy = row.innerWeight[static_cast<std::size_t>(j)] * weight;
                    for (int i = 0; i < column.innerCount; ++i)
                        Add(mixed, LinearOf(at(inner, column.inner0 + i, row.inner0 + j)),
                            wy * column.innerWeight[static_cast<std::size_t>(i)]);
                }
            }
            out[x] = PixelOf(mixed);
        }
    }
}

}  // namespace zolt
