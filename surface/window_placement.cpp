#include "surface/window_placement.h"

#include <algorithm>

namespace zolt {

WindowRect CentreOver(const WindowRect& reference, const WindowRect& window) {
    WindowRect centred = window;
    centred.x = reference.x + (reference.width - window.width) / 2;
    centred.y = reference.y + (reference.height - window.height) / 2;
    return centred;
}

std::optional<WindowRect> ClampToScreen(const WindowRect& window, const WindowRect& screen) {
    WindowRect clamped = window;
    const int screenRight = screen.x + screen.width;
    const int screenBottom = screen.y + screen.height;
    if (clamped.x + clamped.width > screenRight)
        clamped.width = std::max(0, screenRight - clamped.x);
    if (clamped.y + clamped.height > screenBottom)
        clamped.height = std::max(0, screenBottom - clamped.y);
    if (clamped.width == window.width && clamped.height == window.height)
        return std::nullopt;
    // Centring a window that is still larger than the screen (its left edge was off the screen)
    // shrinks it to the screen, so the next check finds it inside.
    clamped.width = std::min(clamped.width, screen.width);
    clamped.height = std::min(clamped.height, screen.height);
    return CentreOver(screen, clamped);
}

WindowRect BesideWindow(const WindowRect& window, const WindowRect& dialog,
                        const WindowRect& screen) {
    WindowRect placed = dialog;
    const int screenRight = screen.x + screen.width;
    if (window.x + window.width + dialog.width <= screenRight)
        placed.x = window.x + window.width;
    else if (window.x - dialog.width >= screen.x)
        placed.x = window.x - dialog.width;
    else
        placed.x = std::max(screen.x, screenRight - dialog.width);
    placed.y = std::clamp(window.y, screen.y,
                          std::max(screen.y, screen.y + screen.height - dialog.height));
    return placed;
}

}  // namespace zolt
