#pragma once

#include <atomic>
#include <span>
#include <string>

#include "engine/fractal_def.h"
#include "engine/offscreen_image.h"

namespace zolt {

class UiSurface;

// How a count becomes a pixel: bands of white in monochrome mode, the colour table otherwise,
// black for points that never escaped.
struct ColourRule {
    bool Monochrome = false;
    int Modulation = 2;
    int Iterations = 0;
    std::span<const Pixel> colours;

    Pixel operator()(int n) const {
        if (Monochrome) {
            // A period below 1 (only a hand-made file can hold one) colours every escaping
            // point white instead of dividing by it.
            const int period = Modulation < 1 ? 1 : Modulation;
            return (n < Iterations && n % period == 0) ? kWhite : kBlack;
        }
        // Without colours (an empty palette) everything is black rather than a division by 0.
        if (n >= Iterations || colours.empty())
            return kBlack;
        return colours[static_cast<std::size_t>(n) % colours.size()];
    }
};

struct PassPosition {
    int x = 0;
    int y = 0;
    bool operator==(const PassPosition&) const = default;
};

// Set by the user-interface thread, read by the renderer after every point and row.
struct RenderRequests {
    const std::atomic<bool>& stop;
    const std::atomic<bool>& skip;
};

// "Resolution: B - P%", the progress text of a pass.
std::string ProgressText(int block, int percent);

// Renders one pass at block size `block` from `start`, top to bottom, filling each block with
// the colour of its top-left point. Writes the progress into status pane 2 of `ui` and asks it
// to present the image at each tenth of the rows and at the end.
//
// Returns where the pass stopped: the point not drawn when stopped, past the last row when the
// pass completed. A pass resumed from there completes the image exactly as an uninterrupted
// one would. Block sizes below 1 and empty images return `start` at once.
PassPosition RenderPass(const GenerationSnapshot& snapshot, const ColourRule& colour,
                        OffscreenImage& image, PassPosition start, int block,
                        const RenderRequests& requests, UiSurface& ui);

}  // namespace zolt
