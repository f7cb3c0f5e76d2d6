// The escape-time kernels against the plain loop, one thread, in million iterations per second
// (the sum of the plain loop's counts over the time taken, so the periodicity shortcut shows as a
// higher rate for the same image). Every kernel this CPU runs is measured, each on a whole view
// per call.

#include <benchmark/benchmark.h>

#include <atomic>
#include <string>
#include <vector>

#include "engine/iterate_point.h"
#include "engine/iteration_kernel.h"

namespace zolt {
namespace {

constexpr int kWidth = 760;
constexpr int kHeight = 620;

struct View {
    const char* name;
    double Pstart, Pfinish, Qstart;
    int iterations;
};

constexpr View kViews[] = {
    {"home", -2.5, 1.25, -1.5, 250},
    {"boundary", -0.7453, -0.7433, 0.1127, 5000},
};
constexpr double kEscape = 200.0;

struct Points {
    std::vector<double> cr, ci;
    double iterations = 0;  // the plain loop's total for the view
};

Points PointsOf(const View& view) {
    Points points;
    const double dx = (view.Pfinish - view.Pstart) / kWidth;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            points.cr.push_back(x * dx + view.Pstart);
            points.ci.push_back(y * dx + view.Qstart);
            points.iterations +=
                IteratePoint(points.cr.back(), points.ci.back(), view.iterations, kEscape);
        }
    }
    return points;
}

void SetRate(benchmark::State& state, const Points& points) {
    state.counters["Miter/s"] =
        benchmark::Counter(points.iterations / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void PlainLoop(benchmark::State& state, const View& view, const Points& points) {
    std::vector<int> counts(points.cr.size());
    for (auto _ : state) {
        for (std::size_t k = 0; k < counts.size(); ++k)
            counts[k] = IteratePoint(points.cr[k], points.ci[k], view.iterations, kEscape);
        benchmark::DoNotOptimize(counts.data());
    }
    SetRate(state, points);
}

void Kernel(benchmark::State& state, const View& view, const Points& points, KernelTarget target,
            bool periodicity) {
    std::vector<int> counts(points.cr.size());
    const IterationLimits limits{view.iterations, kEscape, periodicity};
    const std::atomic<bool> stop{false};
    for (auto _ : state) {
        const bool finished = IteratePoints(points.cr, points.ci, counts, limits, &stop, target);
        benchmark::DoNotOptimize(finished);
        benchmark::DoNotOptimize(counts.data());
    }
    SetRate(state, points);
}

// Registered at start-up, since the kernels depend on the CPU.
const bool kRegistered = [] {
    static std::vector<Points> points;
    for (const View& view : kViews)
        points.push_back(PointsOf(view));
    for (std::size_t v = 0; v < std::size(kViews); ++v) {
        const View& view = kViews[v];
        const Points& p = points[v];
        benchmark::RegisterBenchmark((std::string("BM_PlainLoop/") + view.name).c_str(), PlainLoop,
                                     view, p)
            ->Unit(benchmark::kMillisecond);
        for (const KernelTarget target : AvailableKernels()) {
            for (const bool periodicity : {false, true}) {
                const std::string name = std::string("BM_Kernel/") + view.name + "/" +
                                         std::string(target.Name()) +
                                         (periodicity ? "/periodicity" : "/full");
                benchmark::RegisterBenchmark(name.c_str(), Kernel, view, p, target, periodicity)
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
    return true;
}();

}  // namespace
}  // namespace zolt
