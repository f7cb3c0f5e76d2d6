#pragma once

#include <cstdint>
#include <vector>

namespace zolt {

// Pixels are 32-bit 0xffRRGGBB, the layout of a QImage in Format_RGB32.
using Pixel = std::uint32_t;

constexpr Pixel MakePixel(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return 0xff000000u | (Pixel{r} << 16) | (Pixel{g} << 8) | Pixel{b};
}

inline constexpr Pixel kDarkGrey = MakePixel(64, 64, 64);  // not yet computed, and the background
inline constexpr Pixel kBlack = MakePixel(0, 0, 0);
inline constexpr Pixel kWhite = MakePixel(255, 255, 255);

// The size of a pixel area: a view's client area, an image.
struct ViewSize {
    int width = 0;
    int height = 0;
    bool operator==(const ViewSize&) const = default;
};

// A plain width x height pixel buffer, rows top to bottom.
struct ImageBuffer {
    int width = 0;
    int height = 0;
    std::vector<Pixel> pixels;

    Pixel At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
    bool operator==(const ImageBuffer&) const = default;
};

// A destination the image is copied into: a window's back buffer, for instance.
struct PixelTarget {
    Pixel* bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;  // pixels from one row to the next
};

// Fills (x, y)-(x + size, y + size), exclusive, clipped by the buffer's edges.
void FillBlock(ImageBuffer& image, long long x, long long y, long long size, Pixel colour);

// Where an image of extent `image` lands in a view of extent `client` along one axis:
// centred while it is smaller, its first pixels when it is larger.
struct AxisPlacement {
    int offset = 0;
    int extent = 0;
};
AxisPlacement PlaceAxis(int client, int image);

}  // namespace zolt
