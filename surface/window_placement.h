#pragma once

#include <optional>

namespace zolt {

// A window's outer rectangle in screen pixels.
struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const WindowRect&) const = default;
};

// `window` moved so that it is centred over `reference`, size kept. Offsets truncate toward
// zero, so a window larger than its reference starts above and left of the reference's corner.
WindowRect CentreOver(const WindowRect& reference, const WindowRect& window);

// Where a window that reaches beyond the screen goes: shrunk so that its right and bottom
// edges meet the screen's, then centred over it. None when it lies within the screen already.
std::optional<WindowRect> ClampToScreen(const WindowRect& window, const WindowRect& screen);

}  // namespace zolt
