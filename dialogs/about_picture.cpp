#include "dialogs/about_picture.h"

#include "engine/iterate_point.h"
#include "engine/palette.h"

namespace zolt {

namespace {
// The set sits a little left of the origin; this square frames it with a small border.
constexpr double kLeft = -2.1;
constexpr double kTop = -1.3;
constexpr double kSide = 2.6;
constexpr int kIterations = 96;
constexpr double kEscape = 16.0;
constexpr int kColours = 32;
}  // namespace

ImageBuffer RenderAboutPicture(int pixels) {
    ImageBuffer image;
    if (pixels <= 0)
        return image;
    image.width = pixels;
    image.height = pixels;
    image.pixels.assign(static_cast<std::size_t>(pixels) * static_cast<std::size_t>(pixels),
                        kBlack);
    Palette palette;
    BuildPalette(kColours, palette);
    const double step = kSide / pixels;
    for (int y = 0; y < pixels; ++y) {
        for (int x = 0; x < pixels; ++x) {
            // The centre of each pixel, so the picture is symmetric at every size.
            const double cr = kLeft + (x + 0.5) * step;
            const double ci = kTop + (y + 0.5) * step;
            const int n = IteratePoint(cr, ci, kIterations, kEscape);
            if (n >= kIterations || palette.Count() == 0)
                continue;
            const Rgb rgb = palette.Entry(1 + n % palette.Count());
            image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(pixels) +
                         static_cast<std::size_t>(x)] = MakePixel(rgb.red, rgb.green, rgb.blue);
        }
    }
    return image;
}

}  // namespace zolt
