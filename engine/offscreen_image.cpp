#include "engine/offscreen_image.h"

#include <algorithm>
#include <new>

namespace zolt {

std::vector<Pixel> BuildLogicalPalette(int displayColours, const Palette& palette) {
    const auto entries = palette.Entries();
    const std::size_t placed =
        std::min(entries.size(), static_cast<std::size_t>(std::max(displayColours, 0)));
    std::vector<Pixel> table;
    table.reserve(placed);
    for (std::size_t i = 0; i < placed; ++i)
        table.push_back(MakePixel(entries[i].red, entries[i].green, entries[i].blue));
    return table;
}

ImageInfo DescribeImage(const OffscreenImage& image) {
    std::lock_guard lock(image.mutex);
    return {image.created, image.buffer.width, image.buffer.height, image.colourCount};
}

bool CreateImage(OffscreenImage& image, int width, int height, int displayColours, bool monochrome,
                 const Palette& palette) {
    DestroyImage(image);
    if (width < 0 || height < 0)
        return false;
    try {
        std::vector<Pixel> pixels(static_cast<std::size_t>(width) *
                                  static_cast<std::size_t>(height));
        std::vector<Pixel> colours;
        if (!monochrome)
            colours = BuildLogicalPalette(displayColours, palette);
        std::lock_guard lock(image.mutex);
        image.buffer.width = width;
        image.buffer.height = height;
        image.buffer.pixels = std::move(pixels);
        image.colourCount = static_cast<int>(colours.size());
        image.colours = std::move(colours);
        image.created = true;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void DestroyImage(OffscreenImage& image) {
    std::lock_guard lock(image.mutex);
    image.buffer = {};
    image.colours.clear();
    image.colourCount = 0;
    image.created = false;
}

}  // namespace zolt
