// How long a zoom movie takes and how much memory it needs: 1280 x 720 at 30 frames a second,
// from the home view's width down to a view 1e-30 wide at one doubling a second (about 102
// doublings, 3,000 frames), its keyframes computed first and then its frames drawn and encoded
// by ffmpeg, on every thread; with Zolt's peak memory and ffmpeg's. And one frame drawn from two
// keyframes, the step repeated for every frame.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <fstream>
#include <numeric>
#include <random>
#include <string>

#include "generation/worker_threads.h"
#include "movie/ffmpeg_video.h"
#include "movie/frame_blend.h"
#include "movie/keyframe_store.h"
#include "movie/movie_maker.h"

namespace zolt {
namespace {

// A spiral about the Misiurewicz point c = -0.74329189085243... + 0.13124055230879...i (preperiod
// 24, period 2): every pixel escapes, deep keyframes as demanding as most a user makes.
FractalDef SpiralEnd() {
    FractalDef def;
    GenerationSnapshot numbers{
        -0.7432918908524302, -0.7432918908524302, 0.1312405523087976, 0.0, 10000, 200.0};
    SetExactCorners(numbers,
                    {"-0.743291890852430202931624325973010757176348558",
                     "-0.743291890852430202931624325972010757176348558",
                     "0.131240552308797604770845906581196893077114151"},
                    {1280, 720});
    SetNumbersOf(def, numbers);
    BuildPalette(256, def.Appearance.Palette);
    return def;
}

// The process's peak resident memory since the last reset, in MiB.
double PeakMiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmHWM:"))
            return std::stod(line.substr(6)) / 1024.0;
    return 0.0;
}

void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void ZoomMovie(benchmark::State& state) {
    if (!FindFfmpeg()) {
        state.SkipWithError("ffmpeg is not installed");
        return;
    }
    const FractalDef end = SpiralEnd();
    const MovieSettings settings{.width = 1280, .height = 720, .fps = 30, .holdSeconds = 0};
    const auto folder = std::filesystem::temp_directory_path() / "zolt-movie-bench";
    const MovieOutput output{MovieOutput::Kind::Video, folder / "spiral.mp4"};
    std::string reason;
    const MoviePlan plan = PlanMovie(end, settings, reason).value();
    std::vector<int> all(static_cast<std::size_t>(plan.Keyframes()));
    std::iota(all.begin(), all.end(), 0);
    const MovieWork work{.threads = WorkerThreadCount()};
    for (auto _ : state) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        ResetPeak();
        const auto start = std::chrono::steady_clock::now();
        if (!ComputeKeyframes(end, settings, output, all, work, reason)) {
            state.SkipWithError(reason.c_str());
            break;
        }
        const double keyframes = Since(start);
        const MovieOutcome outcome = AssembleMovie(end, settings, output, work);
        if (!outcome.written) {
            state.SkipWithError(outcome.reason.c_str());
            break;
        }
        state.counters["keyframes_s"] = keyframes;
        state.counters["frames_s"] = Since(start) - keyframes;
    }
    rusage self{};
    rusage children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    state.counters["zolt_MiB"] = PeakMiB();
    state.counters["ffmpeg_MiB"] = static_cast<double>(children.ru_maxrss) / 1024.0;
    state.counters["zolt_cpu_s"] = seconds(self.ru_utime) + seconds(self.ru_stime);
    state.counters["ffmpeg_cpu_s"] = seconds(children.ru_utime) + seconds(children.ru_stime);
    state.counters["frames"] = plan.Frames();
    state.counters["keyframes"] = plan.Keyframes();
    state.counters["threads"] = work.threads;
    std::filesystem::remove_all(folder);
}

void DrawOneFrame(benchmark::State& state) {
    std::mt19937 random(1);
    ImageBuffer inner{1280, 720, {}};
    ImageBuffer outer{1280, 720, {}};
    for (int i = 0; i < 1280 * 720; ++i) {
        inner.pixels.push_back(random() | 0xff000000u);
        outer.pixels.push_back(random() | 0xff000000u);
    }
    ImageBuffer frame;
    int i = 0;
    for (auto _ : state) {
        DrawFrame(inner, &outer, (i++ % 30 + 0.5) / 30.0, 1, frame);
        benchmark::DoNotOptimize(frame.pixels.data());
    }
}

BENCHMARK(ZoomMovie)->Name("BM_ZoomMovie")->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(DrawOneFrame)->Name("BM_DrawFrame")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zolt

BENCHMARK_MAIN();
