#pragma once

#include <map>

namespace zolt {

// Dialog geometry in client pixels of the dialog, x to the right and y downwards.

struct LayoutSize {
    int width = 0;
    int height = 0;
    bool operator==(const LayoutSize&) const = default;
};

struct LayoutRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int Right() const { return x + width; }
    int Bottom() const { return y + height; }
    bool operator==(const LayoutRect&) const = default;
};

struct LayoutPoint {
    int x = 0;
    int y = 0;
    bool operator==(const LayoutPoint&) const = default;
};

// The present sizes of a dialog's controls, by control id.
using ControlSizes = std::map<int, LayoutSize>;
// Where a layout puts each control, by control id.
using ControlPlaces = std::map<int, LayoutRect>;

// A window cannot be narrower or lower than nothing: a layout that subtracts more than the
// dialog has gets a control of size 0, as the window system would make it.
constexpr int NotNegative(int length) {
    return length < 0 ? 0 : length;
}

}  // namespace zolt
