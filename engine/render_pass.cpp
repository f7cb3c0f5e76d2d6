#include "engine/render_pass.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/iterate_point.h"

namespace zolt {

PassPosition RenderPass(const GenerationSnapshot& snapshot, const ColourRule& colour,
                        OffscreenImage& image, PassPosition start, int block,
                        const RenderRequests& requests, PassObserver& observer) {
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

    std::vector<int> counts;
    counts.reserve(static_cast<std::size_t>(width / step + 1));

    long long x = start.x;
    long long y = start.y;
    for (bool firstRow = true; y < height; y += step, firstRow = false) {
        const int percent = static_cast<int>(static_cast<double>(y + 1) * rowPercent);
        observer.RowBegun(percent);

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
        observer.RowFinished(percent);
    }

    return {static_cast<int>(std::min<long long>(x, INT32_MAX)),
            static_cast<int>(std::min<long long>(y, INT32_MAX))};
}

}  // namespace zolt
