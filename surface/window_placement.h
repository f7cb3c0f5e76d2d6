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

// Where a dialog of `dialog`'s size goes so that it hides none of `window`: just right of it when
// the screen has room there, else just left of it, else against the screen's right edge; its top
// level with the window's, as far as the screen allows. Only the position is set.
WindowRect BesideWindow(const WindowRect& window, const WindowRect& dialog,
                        const WindowRect& screen);

}  // namespace zolt
