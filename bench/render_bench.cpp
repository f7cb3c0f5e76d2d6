// How fast Zolt renders, in million iterations per second: the sum of the plain loop's counts
// for a view over the time taken, so the periodicity shortcut shows as a higher rate for the same
// image. Every kernel this CPU runs is measured against the plain loop, on one thread and on
// several, on the home view and on a view along the boundary; then the whole generation of the
// home view as the program runs it, and how soon a Stop ends a generation of two billion
// iterations a point, or a deep one in its reference orbit or in its points.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_views.h"
#include "commands/workspace.h"
#include "engine/iterate_point.h"
#include "engine/iteration_kernel.h"
#include "engine/render_pass.h"
#include "surface/headless_surface.h"

namespace zolt {
namespace {

using namespace zolt::bench;

// Inside the main cardioid, where no lane ever needs a refill: the kernels' steps alone.
const View kInside = {"inside", {-0.3, -0.1, -0.1, 0.0, 500, kEscape}};

// The points of a view as the renderer lays them out, and the plain loop's total of their counts.
struct Points {
    std::vector<double> cr, ci;
    double iterations = 0;
};

Points PointsOf(const GenerationSnapshot& s) {
    Points points;
    const double dx = (s.Pfinish - s.Pstart) / kWidth;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            points.cr.push_back(x * dx + s.Pstart);
            points.ci.push_back(y * dx + s.Qstart);
            points.iterations +=
                IteratePoint(points.cr.back(), points.ci.back(), s.Iterations, s.Escape);
        }
    }
    return points;
}

// The points of a view, computed on first use: listing or filtering the benchmarks costs nothing.
const Points& PointsFor(const View& view) {
    static std::map<std::string, Points> computed;  // the benchmarks hold copies of the views
    auto [at, added] = computed.try_emplace(view.name);
    if (added)
        at->second = PointsOf(view.numbers);
    return at->second;
}

void SetRate(benchmark::State& state, const Points& points) {
    state.counters["Miter/s"] =
        benchmark::Counter(points.iterations / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void PlainLoop(benchmark::State& state, const View& view) {
    const Points& points = PointsFor(view);
    std::vector<int> counts(points.cr.size());
    for (auto _ : state) {
        for (std::size_t k = 0; k < counts.size(); ++k)
            counts[k] = IteratePoint(points.cr[k], points.ci[k], view.numbers.Iterations, kEscape);
        benchmark::DoNotOptimize(counts.data());
    }
    SetRate(state, points);
}

// The kernel alone on one thread, given the whole view in one call.
void Kernel(benchmark::State& state, const View& view, KernelTarget target, bool periodicity) {
    const Points& points = PointsFor(view);
    std::vector<int> counts(points.cr.size());
    const IterationLimits limits{view.numbers.Iterations, kEscape, periodicity};
    for (auto _ : state) {
        const bool finished = IteratePoints(points.cr, points.ci, counts, limits, {}, target);
        benchmark::DoNotOptimize(finished);
        benchmark::DoNotOptimize(counts.data());
    }
    SetRate(state, points);
}

// A full-resolution pass as a generation runs it, on `threads` threads, into a real image; with
// `tallied`, its counts tallied as a generation tallies them.
void Pass(benchmark::State& state, const View& view, KernelTarget target, bool periodicity,
          int threads, bool tallied) {
    const Points& points = PointsFor(view);
    Palette palette;
    BuildPalette(256, palette);
    OffscreenImage image;
    CreateImage(image, kWidth, kHeight, 256, false, palette);
    const PlainCounter counter(view.numbers, kWidth, target, periodicity);
    const ColourRule colour{false, 2, view.numbers.Iterations, image.colours};
    RenderPool pool(threads - 1);
    Unobserved observer;
    for (auto _ : state) {
        CountTally tally(view.numbers.Iterations);
        const PassJob job{
            .counter = &counter, .colour = colour, .tally = tallied ? &tally : nullptr};
        benchmark::DoNotOptimize(pool.Run(job, image, observer));
    }
    SetRate(state, points);
}

// A workspace without a screen that generates on `threads` threads.
struct Headless {
    explicit Headless(int threads) : work(ui, nullptr, loop.WakeFunction()) {
        work.defaults.values.AutoGenerate = false;
        work.generator.SetThreads(threads);
    }
    void Define(const GenerationSnapshot& numbers) {
        Appearance appearance;
        BuildPalette(256, appearance.Palette);
        GenerationSnapshot view = numbers;
        view.Qfinish = DeriveQfinish(view, ui.ViewClientSize());
        work.current.SetCurrent("Bench", view, appearance, {.untitled = true});
        work.generator.Ready({});
    }
    bool WaitIdle() {
        return loop.RunUntil([this] { return work.generator.DeliverWorkerCalls(); },
                             [this] { return !work.generator.IsRunning(); });
    }

    HeadlessSurface ui{{kWidth, kHeight}, 256};
    HeadlessEventLoop loop;
    Workspace work;
};

// Generate on the home view as the program does it: passes 8, 4 and 1, every copy into the view.
void Generation(benchmark::State& state, int threads) {
    Headless headless(threads);
    headless.Define(kViews[0].numbers);
    for (auto _ : state) {
        headless.work.generator.Generate({});
        if (!headless.WaitIdle())
            state.SkipWithError("the generation did not end");
    }
}

// What a Stop interrupts: points of a view doubles resolve, a deep view's reference orbit, or the
// points counted around a finished reference.
enum class Busy { Points, Reference, DeepPoints };

struct StopCase {
    const char* name;
    Busy busy;
    GenerationSnapshot numbers;
};

// Inside the main cardioid, so that no point and no reference ever escapes.
StopCase MakeStopCase(const char* name, Busy busy, int iterations, int digits) {
    GenerationSnapshot numbers{-0.1, 0.1, -0.1, 0.0, iterations, kEscape};
    if (digits > 0 && !SetExactCorners(numbers, {"-0.1", "-0.0" + std::string(digits, '9'), "0.1"},
                                       {kWidth, kHeight}))
        throw std::logic_error("the deep view of the stop benchmark");
    return {name, busy, numbers};
}

// From Stop to the end of every thread of a generation that would run for a long time.
void StopLatency(benchmark::State& state, int threads, const StopCase& what) {
    Headless headless(threads);
    headless.Define(what.numbers);
    Generator& generator = headless.work.generator;
    for (auto _ : state) {
        generator.Generate({});
        if (what.busy == Busy::DeepPoints &&
            !headless.loop.RunUntil(
                [&] { return generator.DeliverWorkerCalls(); },
                [&] { return headless.ui.StatusText(2).starts_with("Resolution"); }, 120000))
            state.SkipWithError("the reference did not end");
        // Let every thread get deep into its work.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const auto before = std::chrono::steady_clock::now();
        generator.Stop();
        if (!headless.WaitIdle())
            state.SkipWithError("the generation did not stop");
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count());
    }
}

// The thread counts measured: 1, 2 and all the machine has.
std::vector<int> ThreadCounts() {
    const int all = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<int> counts = {1};
    if (all >= 2)
        counts.push_back(2);
    if (all > 2)
        counts.push_back(all);
    return counts;
}

// The peak resident memory of zolt-render writing a picture `side` pixels square, in MiB: the
// picture is computed and written in bands, so it stays small whatever the side. The view lies
// outside the set, where every point escapes at once: this measures memory, not iterations.
void PictureMemory(benchmark::State& state, int side) {
    const std::string size = std::to_string(side);
    for (auto _ : state) {
        char path[] = "/tmp/zolt-bench-XXXXXX";
        ::close(::mkstemp(path));
        const pid_t child = ::fork();
        if (child == 0) {
            ::execl(ZOLT_RENDER_PATH, "zolt-render", "--pstart", "2", "--pfinish", "3", "--qstart",
                    "2", "--width", size.c_str(), "--height", size.c_str(), "-o", path,
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        rusage usage{};
        ::wait4(child, &status, 0, &usage);
        ::unlink(path);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("the picture was not written");
        state.counters["peak_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    }
}

// zolt-render's pictures of 1520 x 1240 at 5000 iterations, PNG included, against the plain loop
// counting their points on one thread: the home view, a spiral and a strip just right of the
// cusp, where orbits run long and never settle; and the home view 4096 pixels square at 250.
struct RenderGoal {
    const char* name;
    double pstart, pfinish, qstart;
    int width = 1520;
    int height = 1240;
    int iterations = 5000;
};

constexpr double kSpiralWidth = 1e-5;
constexpr double kCuspWidth = 4e-4;
constexpr double kAspect = 1240.0 / 1520.0;

const RenderGoal kGoals[] = {
    {"home", -2.5, 1.25, -1.5},
    {"spiral", -0.74365 - kSpiralWidth / 2, -0.74365 + kSpiralWidth / 2,
     0.13182 - kSpiralWidth* kAspect / 2},
    {"cusp", 0.25, 0.25 + kCuspWidth, -kCuspWidth* kAspect / 2},
    {"home-4096", -2.5, 1.25, -1.875, 4096, 4096, 250},
};

// threads 0: the plain loop in this process; otherwise zolt-render on that many threads.
void RenderGoalTime(benchmark::State& state, const RenderGoal& goal, int threads) {
    const double dx = (goal.pfinish - goal.pstart) / goal.width;
    for (auto _ : state) {
        const auto before = std::chrono::steady_clock::now();
        if (threads == 0) {
            long long total = 0;
            for (int y = 0; y < goal.height; ++y)
                for (int x = 0; x < goal.width; ++x)
                    total += IteratePoint(x * dx + goal.pstart, y * dx + goal.qstart,
                                          goal.iterations, kEscape);
            benchmark::DoNotOptimize(total);
        } else {
            const auto number = [](double v) {
                char text[40];
                std::snprintf(text, sizeof text, "%.17g", v);
                return std::string(text);
            };
            const std::string args[] = {number(goal.pstart),
                                        number(goal.pfinish),
                                        number(goal.qstart),
                                        std::to_string(threads),
                                        std::to_string(goal.iterations),
                                        std::to_string(goal.width),
                                        std::to_string(goal.height)};
            char path[] = "/tmp/zolt-bench-XXXXXX";
            ::close(::mkstemp(path));
            const pid_t child = ::fork();
            if (child == 0) {
                ::execl(ZOLT_RENDER_PATH, "zolt-render", "--pstart", args[0].c_str(), "--pfinish",
                        args[1].c_str(), "--qstart", args[2].c_str(), "--iterations",
                        args[4].c_str(), "--width", args[5].c_str(), "--height", args[6].c_str(),
                        "--threads", args[3].c_str(), "--quiet", "-o", path,
                        static_cast<char*>(nullptr));
                ::_exit(127);
            }
            int status = 0;
            ::waitpid(child, &status, 0);
            ::unlink(path);
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
                state.SkipWithError("the picture was not written");
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count());
    }
}

// Registered at start-up, since the kernels and the thread counts depend on the machine.
const bool kRegistered = [] {
    benchmark::RegisterBenchmark("BM_PlainLoop/inside/", PlainLoop, kInside)
        ->Unit(benchmark::kMillisecond);
    for (const KernelTarget target : AvailableKernels()) {
        const std::string name = "BM_Kernel/inside/" + std::string(target.Name()) + "/full";
        benchmark::RegisterBenchmark(name.c_str(), Kernel, kInside, target, false)
            ->Unit(benchmark::kMillisecond);
    }
    for (const View& view : kViews) {
        const std::string prefix = std::string("/") + view.name + "/";
        benchmark::RegisterBenchmark(("BM_PlainLoop" + prefix).c_str(), PlainLoop, view)
            ->Unit(benchmark::kMillisecond);
        for (const KernelTarget target : AvailableKernels()) {
            const std::string kernel(target.Name());
            for (const bool periodicity : {false, true}) {
                const std::string name =
                    "BM_Kernel" + prefix + kernel + (periodicity ? "/periodicity" : "/full");
                benchmark::RegisterBenchmark(name.c_str(), Kernel, view, target, periodicity)
                    ->Unit(benchmark::kMillisecond);
            }
            for (const int threads : ThreadCounts()) {
                for (const bool tallied : {false, true}) {
                    const std::string name = "BM_Pass" + prefix + kernel + "/full" +
                                             (tallied ? "/tallied" : "") +
                                             "/threads:" + std::to_string(threads);
                    benchmark::RegisterBenchmark(name.c_str(), Pass, view, target, false, threads,
                                                 tallied)
                        ->Unit(benchmark::kMillisecond)
                        ->UseRealTime();
                }
            }
        }
    }
    for (const int threads : ThreadCounts()) {
        benchmark::RegisterBenchmark(
            ("BM_Generation/home/threads:" + std::to_string(threads)).c_str(), Generation, threads)
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime()
            ->UseRealTime();
    }
    for (const int side : {4096, 16384, 32768}) {
        benchmark::RegisterBenchmark(("BM_PictureMemory/" + std::to_string(side)).c_str(),
                                     PictureMemory, side)
            ->Unit(benchmark::kSecond)
            ->UseRealTime()
            ->Iterations(1);
    }
    for (const RenderGoal& goal : kGoals) {
        for (const int threads : {0, 1, 2}) {
            if (threads == 0 && goal.width != 1520)
                continue;  // only the second core is measured there
            const std::string name =
                std::string("BM_RenderGoal/") + goal.name + "/" +
                (threads == 0 ? "plain-loop" : "threads:" + std::to_string(threads));
            benchmark::RegisterBenchmark(name.c_str(), RenderGoalTime, goal, threads)
                ->Unit(benchmark::kMillisecond)
                ->UseManualTime()
                ->Iterations(1);
        }
    }
    static const StopCase stops[] = {
        MakeStopCase("iterations:2000000000", Busy::Points, 2000000000, 0),
        // 1e-1000 wide: a reference of 3,400 bits that would take minutes.
        MakeStopCase("deep-reference", Busy::Reference, 30000000, 1000),
        // 1e-30 wide: the reference takes a moment, then every point runs to the limit.
        MakeStopCase("deep-points", Busy::DeepPoints, 2000000, 30),
    };
    for (const StopCase& stop : stops) {
        benchmark::RegisterBenchmark((std::string("BM_StopLatency/") + stop.name).c_str(),
                                     StopLatency, ThreadCounts().back(), stop)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(5);
    }
    return true;
}();

}  // namespace
}  // namespace zolt

BENCHMARK_MAIN();
