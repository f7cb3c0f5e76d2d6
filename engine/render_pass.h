#pragma once

#include <atomic>
#include <span>

#include "engine/fractal_def.h"
#include "engine/offscreen_image.h"

namespace zolt {

// How a count becomes a pixel: bands of white in monochrome mode, the colour table otherwise,
// black for points that never escaped.
struct ColourRule {
    bool monochrome = false;
    int modulation = 2;
    int iterations = 0;
    std::span<const Pixel> colours;

    Pixel operator()(int n) const {
        if (monochrome) {
            // A period below 1 (only a hand-made file can hold one) colours every escaping
            // point white instead of dividing by it.
            const int period = modulation < 1 ? 1 : modulation;
            return (n < iterations && n % period == 0) ? kWhite : kBlack;
        }
        // Without colours (an empty palette) everything is black rather than a division by 0.
        if (n >= iterations || colours.empty())
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

// What a pass tells whoever watches it, on the thread that runs the pass: the percentage of
// each row as it is begun and once it is finished and stored, where a row's percentage is
// (y + 1) * 100 / height, truncated. Rows are reported from the top, in order.
class PassObserver {
  public:
    virtual ~PassObserver() = default;
    virtual void RowBegun(int percent) = 0;
    virtual void RowFinished(int percent) = 0;
};

// Renders one pass at block size `block` from `start`, top to bottom, filling each block with
// the colour of its top-left point, and reports its rows to `observer`.
//
// Returns where the pass stopped: the point not drawn when stopped, past the last row when the
// pass completed. A pass resumed from there completes the image exactly as an uninterrupted
// one would. Block sizes below 1 and empty images return `start` at once.
PassPosition RenderPass(const GenerationSnapshot& snapshot, const ColourRule& colour,
                        OffscreenImage& image, PassPosition start, int block,
                        const RenderRequests& requests, PassObserver& observer);

}  // namespace zolt
