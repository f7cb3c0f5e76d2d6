#include "engine/render_pass.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <vector>

#include "engine/iterate_point.h"
#include "shell/ui_surface.h"

namespace zolt {

std::string ProgressText(int block, int percent) {
    char text[64];
    std::snprintf(text, sizeof text, "Resolution: %d - %d%%", block, percent);
    return text;
}

PassPosition RenderPass(const GenerationSnapshot& snapshot, const ColourRule& colour,
                        OffscreenImage& image, PassPosition start, int block,
                        const RenderRequests& requests, UiSurface& ui) {
    // The pass runs on the generation thread and is the only writer of the buffer, so its size
    // can be read without the lock; the painter only ever reads.
    const long long width = image.buffer.width;
    const long long height = image.buffer.height;
    if (block < 1 || width <= 0 || height <= 0)
        return start;

    // One step for both axes keeps pixels square whatever Qfinish holds.
    const double dx = (snapshot.Pfinish - snapshot.Pstart) / static_cast<double>(width);
    const double rowPercent = 100.0 / static_cast<double>(height);
    const long long step = block;
    const bool skippable = block > 1;

    bool progressShown = false;
    bool copyMade = false;
    std::vector<int> counts;
    counts.reserve(static_cast<std::size_t>(width / step + 1));

    long long x = start.x;
    long long y = start.y;
    for (bool firstRow = true; y < height; y += step, firstRow = false) {
        const int percent = static_cast<int>(static_cast<double>(y + 1) * rowPercent);
        if (percent % 2 == 0) {
            if (!progressShown) {
                ui.SetStatusText(2, ProgressText(block, percent));
                progressShown = true;
            }
        } else {
            progressShown = false;
        }

        const double ci = static_cast<double>(y) * dx + snapshot.Qstart;
        const long long rowStart = firstRow ? start.x : 0;
        counts.clear();
        for (x = rowStart; x < width; x += step) {
            const double cr = static_cast<double>(x) * dx + snapshot.Pstart;
            const int n =
                IteratePoint(cr, ci, snapshot.Iterations, snapshot.Escape, &requests.stop);
            if (requests.stop.load(std::memory_order_relaxed))
                break;  // this point is not drawn; a continued pass starts with it
            counts.push_back(n);
            if (skippable && requests.skip.load(std::memory_order_relaxed))
                break;
        }
        {
            std::lock_guard lock(image.mutex);
            long long bx = rowStart;
            for (int n : counts) {
                FillBlock(image.buffer, bx, y, step, colour(n));
                bx += step;
            }
        }
        if (requests.stop.load(std::memory_order_relaxed) ||
            (skippable && requests.skip.load(std::memory_order_relaxed))) {
            break;
        }
        // Refresh the view once at each multiple of ten percent that a row reaches: once for
        // the whole run of rows sharing that percentage (tall images have several), since every
        // copy repaints the whole view.
        if (percent % 10 == 0) {
            if (!copyMade) {
                ui.PresentImage();
                copyMade = true;
            }
        } else {
            copyMade = false;
        }
    }

    const PassPosition reached{static_cast<int>(std::min<long long>(x, INT32_MAX)),
                               static_cast<int>(std::min<long long>(y, INT32_MAX))};
    // A stop that came after the last row leaves a complete pass, which the generation counts
    // as finished: the view gets its final copy all the same.
    if (requests.stop.load(std::memory_order_relaxed) && y < height)
        return reached;
    ui.PresentImage();
    return reached;
}

}  // namespace zolt
