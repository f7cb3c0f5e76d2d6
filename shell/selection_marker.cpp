#include "shell/selection_marker.h"

#include <algorithm>

namespace zolt {

namespace {

void Plot(const PixelTarget& t, int x, int y, Pixel colour) {
    if (x < 0 || y < 0 || x >= t.width || y >= t.height)
        return;
    t.bits[static_cast<std::size_t>(y) * static_cast<std::size_t>(t.stride) +
           static_cast<std::size_t>(x)] = colour;
}

void HorizontalLine(const PixelTarget& t, int x0, int x1, int y, Pixel colour) {
    for (int x = std::max(x0, 0); x <= std::min(x1, t.width - 1); ++x)
        Plot(t, x, y, colour);
}

void VerticalLine(const PixelTarget& t, int x, int y0, int y1, Pixel colour) {
    for (int y = std::max(y0, 0); y <= std::min(y1, t.height - 1); ++y)
        Plot(t, x, y, colour);
}

void Cross(const PixelTarget& t, const SelectionBox& box, int divisor, Pixel colour) {
    const int cx = box.left + box.width / 2;
    const int cy = box.top + box.height / 2;
    const int dx = box.width / divisor;
    const int dy = box.height / divisor;
    HorizontalLine(t, cx - dx, cx + dx, cy, colour);
    VerticalLine(t, cx, cy - dy, cy + dy, colour);
}

}  // namespace

void DrawSelectionMarker(const PixelTarget& target, const SelectionBox& box) {
    if (target.bits == nullptr || box.Empty())
        return;
    const int right = box.left + box.width - 1;
    const int bottom = box.top + box.height - 1;
    HorizontalLine(target, box.left, right, box.top, kWhite);
    HorizontalLine(target, box.left, right, bottom, kWhite);
    VerticalLine(target, box.left, box.top, bottom, kWhite);
    VerticalLine(target, right, box.top, bottom, kWhite);
    Cross(target, box, 15, kWhite);
    Cross(target, box, 60, kBlack);
}

}  // namespace zolt
