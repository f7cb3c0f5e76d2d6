// Full-resolution passes of the renderer, in million iterations per second (the sum of the
// points' counts over the time taken).

#include <benchmark/benchmark.h>

#include <atomic>

#include "engine/iterate_point.h"
#include "engine/render_pass.h"

namespace zolt {
namespace {

constexpr int kWidth = 760;
constexpr int kHeight = 620;

// The iterations a full-resolution pass performs, counted once outside the timing.
double IterationsOfPass(const GenerationSnapshot& s) {
    const double dx = (s.Pfinish - s.Pstart) / kWidth;
    double total = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            total += IteratePoint(x * dx + s.Pstart, y * dx + s.Qstart, s.Iterations, s.Escape);
    return total;
}

// Nobody watches the benchmark's passes.
class Unobserved final : public PassObserver {
  public:
    void RowBegun(int) override {}
    void RowFinished(int) override {}
};

void RunFullPass(benchmark::State& state, const GenerationSnapshot& snapshot) {
    Unobserved observer;
    Palette palette;
    BuildPalette(256, palette);
    OffscreenImage image;
    CreateImage(image, kWidth, kHeight, 256, false, palette);
    const ColourRule colour{false, 2, snapshot.Iterations, image.colours};
    std::atomic<bool> stop{false}, skip{false};
    const RenderRequests requests{stop, skip};
    for (auto _ : state) {
        const PassPosition end = RenderPass(snapshot, colour, image, {}, 1, requests, observer);
        benchmark::DoNotOptimize(end);
    }
    state.counters["Miter/s"] = benchmark::Counter(IterationsOfPass(snapshot) / 1e6,
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

void BM_HomeView(benchmark::State& state) {
    RunFullPass(state, {-2.5, 1.25, -1.5, 0.0, 250, 200.0});
}
BENCHMARK(BM_HomeView)->Unit(benchmark::kMillisecond);

void BM_BoundaryView(benchmark::State& state) {
    RunFullPass(state, {-0.7453, -0.7433, 0.1127, 0.0, 5000, 200.0});
}
BENCHMARK(BM_BoundaryView)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zolt

BENCHMARK_MAIN();
