#include "engine/image_buffer.h"

#include <algorithm>

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

AxisPlacement PlaceAxis(int client, int image) {
    if (client < image)
        return {0, client};
    return {(client - image) / 2, image};
}

}  // namespace zolt
