#include "generation/trial_iterations.h"

#include <algorithm>
#include <cmath>

#include "engine/render_pass.h"
#include "engine/view_counter.h"
#include "generation/iteration_rule.h"

namespace zolt {

namespace {

constexpr int kMostTrials = 8;

class Unobserved final : public PassObserver {
  public:
    void RowBegun(int) override {}
    void RowFinished(int) override {}
};

}  // namespace

int TrialIterations(const FractalDef& def, int width, int height, int threads,
                    const std::atomic<bool>* cancel) {
    const int floor = def.Iterations;
    if (width < 1 || height < 1)
        return floor;
    // The same view, its pixels larger: the counts of a trial sample the picture's.
    const double scale = std::min(1.0, static_cast<double>(kTrialSide) / std::max(width, height));
    const int trialWidth = std::max(1, static_cast<int>(std::lround(width * scale)));
    const int trialHeight = std::max(1, static_cast<int>(std::lround(height * scale)));
    GenerationSnapshot numbers = NumbersOf(def);
    ViewCounter counter;
    RenderPool pool(threads - 1);
    Unobserved observer;
    OffscreenImage image;
    image.buffer.width = trialWidth;
    image.buffer.height = trialHeight;
    image.buffer.pixels.resize(static_cast<std::size_t>(trialWidth) * trialHeight);
    image.created = true;
    int limit = floor;
    for (int trial = 0; trial < kMostTrials; ++trial) {
        numbers.Iterations = limit;
        // A view the engines refuse at this limit keeps the definition's, and is refused with it.
        if (counter.Prepare(numbers, trialWidth, trialHeight, cancel) != ViewCounter::Status::Ready)
            return floor;
        CountTally tally(limit);
        const PassJob job{.counter = &counter.Counter(), .stop = cancel, .tally = &tally};
        if (pool.Run(job, image, observer).y < trialHeight)
            return floor;
        const LimitReading reading = ReadLimit(tally, numbers, trialWidth, counter, cancel);
        if (!Starved(reading))
            break;
        const int next = AutomaticIterations(reading, floor);
        if (next <= limit)
            break;
        limit = next;
    }
    return limit;
}

}  // namespace zolt
