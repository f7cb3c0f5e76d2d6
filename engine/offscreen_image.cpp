#include "engine/offscreen_image.h"

#include <algorithm>
#include <cstring>
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
                 const Palette& palette, const ImageSamples& samples) {
    DestroyImage(image);
    if (width < 0 || height < 0)
        return false;
    try {
        // The memory of the last image is used again: a generation of the same view size then
        // neither allocates nor faults in a fresh buffer. One too small goes before the new one
        // comes, and one far too large is given back.
        std::vector<Pixel> pixels;
        {
            std::lock_guard lock(image.mutex);
            pixels.swap(image.buffer.pixels);
        }
        const std::size_t count =
            static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        if (pixels.capacity() < count || pixels.capacity() / 2 > count)
            std::vector<Pixel>().swap(pixels);
        pixels.assign(count, kDarkGrey);
        std::vector<Pixel> colours;
        if (!monochrome)
            colours = BuildLogicalPalette(displayColours, palette);
        SamplePlanes planes;
        {
            std::lock_guard lock(image.mutex);
            planes.counts.swap(image.samples.counts);
            planes.fraction.swap(image.samples.fraction);
            planes.dex.swap(image.samples.dex);
            planes.dey.swap(image.samples.dey);
        }
        if (samples.keep)
            planes.Allocate(samples.level, count);
        else
            planes.Clear();
        std::lock_guard lock(image.mutex);
        image.samples = std::move(planes);
        image.shader = samples.shader;
        ++image.serial;
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

void PaintImage(const OffscreenImage& image, const PixelTarget& target) {
    ViewSize size;
    {
        std::lock_guard lock(image.mutex);
        if (!image.created)
            return;
        size = {image.buffer.width, image.buffer.height};
    }
    const AxisPlacement h = PlaceAxis(target.width, size.width);
    const AxisPlacement v = PlaceAxis(target.height, size.height);
    for (int row = 0; row < v.extent && h.extent > 0; ++row) {
        std::lock_guard lock(image.mutex);
        if (!image.created || image.buffer.width != size.width ||
            image.buffer.height != size.height)
            return;
        const Pixel* from = image.buffer.pixels.data() + static_cast<std::size_t>(row) * size.width;
        Pixel* to =
            target.bits + static_cast<std::size_t>(v.offset + row) * target.stride + h.offset;
        std::memcpy(to, from, static_cast<std::size_t>(h.extent) * sizeof(Pixel));
    }
}

void DestroyImage(OffscreenImage& image) {
    std::lock_guard lock(image.mutex);
    image.buffer.width = 0;
    image.buffer.height = 0;
    image.buffer.pixels.clear();  // its memory stays for the next image
    image.colours.clear();
    image.colourCount = 0;
    image.created = false;
    // Like the pixels' memory, the planes' stays for the next image.
    for (auto* plane : {&image.samples.fraction, &image.samples.dex, &image.samples.dey})
        plane->clear();
    image.samples.counts.clear();
    image.shader.reset();
    ++image.serial;
}

}  // namespace zolt
