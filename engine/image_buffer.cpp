#include "engine/image_buffer.h"

#include <algorithm>
#include <cstring>

namespace zolt {

void FillBlock(ImageBuffer& image, long long x, long long y, long long size, Pixel colour) {
    const long long x0 = std::max(0LL, x);
    const long long y0 = std::max(0LL, y);
    const long long x1 = std::min<long long>(image.width, x + size);
    const long long y1 = std::min<long long>(image.height, y + size);
    for (long long row = y0; row < y1; ++row) {
        Pixel* line = image.pixels.data() + row * image.width;
        std::fill(line + x0, line + std::max(x0, x1), colour);
    }
}

void ClearImage(ImageBuffer& image, int w, int h) {
    const int x1 = std::clamp(w, 0, image.width);
    const int y1 = std::clamp(h, 0, image.height);
    for (int row = 0; row < y1; ++row)
        std::fill_n(image.pixels.data() + static_cast<std::size_t>(row) * image.width, x1,
                    kDarkGrey);
}

AxisPlacement PlaceAxis(int client, int image) {
    if (client < image)
        return {0, client};
    return {(client - image) / 2, image};
}

void BlitImage(const ImageBuffer& image, const PixelTarget& target) {
    const AxisPlacement h = PlaceAxis(target.width, image.width);
    const AxisPlacement v = PlaceAxis(target.height, image.height);
    if (h.extent <= 0 || v.extent <= 0)
        return;
    for (int row = 0; row < v.extent; ++row) {
        const Pixel* from = image.pixels.data() + static_cast<std::size_t>(row) * image.width;
        Pixel* to =
            target.bits + static_cast<std::size_t>(v.offset + row) * target.stride + h.offset;
        std::memcpy(to, from, static_cast<std::size_t>(h.extent) * sizeof(Pixel));
    }
}

}  // namespace zolt
