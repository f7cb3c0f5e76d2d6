// The deep engine: whole images from Prepare to the last pixel, on one thread and split between
// two, and the reference orbit alone.

#include <benchmark/benchmark.h>

#include <string>
#include <thread>
#include <vector>

#include "engine/deep_engine.h"
#include "engine/view_counter.h"

namespace zolt {
namespace {

constexpr int kWidth = 760;
constexpr int kHeight = 620;

// 1e-100 wide beside a period-136 minibrot of size 7e-101 found below c = i (the way the
// deep engine tests' views were found): a third of the pixels inside, filaments around.
const DeepView kBeside{
    "-1.52321815043275436902024257846639154241760627099153493880941232768527689060596251282718"
    "044724801865783452878485e-50",
    "-1.52321815043275436902024257846639154241760627099152493880941232768527689060596251282718"
    "044724801865783452878485e-50",
    "0.99999999999999999999999999999999999999999999999999877687675011945228771304549690775247"
    "66803484981312803884660833",
    kWidth,
    kHeight,
    60000,
    200.0};

// The same minibrot filling most of the view: the worst case, three quarters of the pixels
// running to the limit.
const DeepView kInside{
    "-1.52321815043275436902024257846639154241760627099154073880941232768505068266469513718206"
    "913229564515319585690985e-50",
    "-1.52321815043275436902024257846639154241760627099153073880941232768505068266469513718206"
    "913229564515319585690985e-50",
    "0.99999999999999999999999999999999999999999999999999877687675011945228771304549690775247"
    "66803484981312413884660833",
    kWidth,
    kHeight,
    60000,
    200.0};

// Rows y = first, first + step, ... of the view.
void Rows(const DeepReference& reference, int first, int step, std::vector<int>& counts) {
    std::vector<DeepPixel> row(kWidth);
    for (int y = first; y < kHeight; y += step) {
        for (int x = 0; x < kWidth; ++x)
            row[static_cast<std::size_t>(x)] = {x, y};
        ComputeDeepCounts(
            reference, row,
            std::span<int>(counts).subspan(static_cast<std::size_t>(y) * kWidth, kWidth));
    }
}

// Prepare and every pixel, on `threads` threads taking alternate rows.
void RunImage(benchmark::State& state, const DeepView& view) {
    const int threads = static_cast<int>(state.range(0));
    std::vector<int> counts(static_cast<std::size_t>(kWidth) * kHeight);
    for (auto _ : state) {
        DeepReference reference;
        if (reference.Prepare(view) != DeepStatus::Ready) {
            state.SkipWithError(reference.Error().c_str());
            return;
        }
        std::vector<std::thread> others;
        for (int t = 1; t < threads; ++t)
            others.emplace_back([&, t] { Rows(reference, t, threads, counts); });
        Rows(reference, 0, threads, counts);
        for (std::thread& t : others)
            t.join();
        benchmark::DoNotOptimize(counts.data());
    }
    long long inside = 0;
    for (int n : counts)
        inside += n >= view.maxIter;
    state.counters["inside"] = static_cast<double>(inside) / static_cast<double>(counts.size());
}

void BM_Deep1e100Beside(benchmark::State& state) {
    RunImage(state, kBeside);
}
BENCHMARK(BM_Deep1e100Beside)->Arg(1)->Arg(2)->Unit(benchmark::kSecond)->UseRealTime();

void BM_Deep1e100Inside(benchmark::State& state) {
    RunImage(state, kInside);
}
BENCHMARK(BM_Deep1e100Inside)->Arg(2)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// As the window draws it: the counter a generation uses, passes at 8, 4 and 1 on `threads` threads
// into the image.
void BM_Deep1e100Passes(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    GenerationSnapshot numbers{0, 0, 0, 0, kBeside.maxIter, kBeside.escape};
    if (!SetExactCorners(numbers, {kBeside.pstart, kBeside.pfinish, kBeside.qstart},
                         {kWidth, kHeight})) {
        state.SkipWithError("the view's corners");
        return;
    }
    Palette palette;
    BuildPalette(256, palette);
    OffscreenImage image;
    CreateImage(image, kWidth, kHeight, 256, false, palette);
    const ColourRule colour{false, 2, kBeside.maxIter, image.colours};
    struct : PassObserver {
        void RowBegun(int) override {}
        void RowFinished(int) override {}
    } quiet;
    RenderPool pool(threads - 1);
    for (auto _ : state) {
        ViewCounter counter;
        // A refused reference would time the doubles instead.
        if (counter.Prepare(numbers, kWidth, kHeight) != ViewCounter::Status::Ready ||
            counter.Chosen() != ViewCounter::Kind::Deep) {
            state.SkipWithError("the deep engine did not take the view");
            return;
        }
        std::vector<PassReach> earlier;
        for (const int block : {8, 4, 1}) {
            const PassJob pass{.counter = &counter.Counter(),
                               .colour = colour,
                               .block = block,
                               .earlier = earlier};
            earlier.push_back({block, pool.Run(pass, image, quiet)});
        }
    }
}
BENCHMARK(BM_Deep1e100Passes)->Arg(2)->Unit(benchmark::kSecond)->UseRealTime();

// 100,000 reference iterations 1e-1000 wide (3,400 bits), inside the main cardioid so that the
// orbit never escapes; with the skip table (the whole Prepare) and without.
void BM_DeepReference1e1000(benchmark::State& state) {
    DeepView view{"-0.1", "-0.0" + std::string(999, '9'), "0.1", kWidth, kHeight, 100000, 200.0};
    DeepOptions options;
    options.useBla = state.range(0) != 0;
    for (auto _ : state) {
        DeepReference reference;
        if (reference.Prepare(view, nullptr, {}, options) != DeepStatus::Ready) {
            state.SkipWithError(reference.Error().c_str());
            return;
        }
        benchmark::DoNotOptimize(reference.ReferenceLength());
    }
}
BENCHMARK(BM_DeepReference1e1000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Whether a zoom movie's deep keyframes would gain from sharing one reference: the reference of
// a 3840 x 2160 keyframe 1e-100 wide at 60,000 iterations (its whole Prepare), and beside it the
// pixels of 16 of its rows spread over its height on one thread, of which the keyframe has 135
// times as many.
constexpr int k4KWidth = 3840;
constexpr int k4KHeight = 2160;

DeepView At4K(const DeepView& view) {
    DeepView large = view;
    large.width = k4KWidth;
    large.height = k4KHeight;
    return large;
}

void BM_DeepReference1e100At4K(benchmark::State& state) {
    const DeepView view = At4K(kBeside);
    for (auto _ : state) {
        DeepReference reference;
        if (reference.Prepare(view) != DeepStatus::Ready) {
            state.SkipWithError(reference.Error().c_str());
            return;
        }
        benchmark::DoNotOptimize(reference.ReferenceLength());
    }
}
BENCHMARK(BM_DeepReference1e100At4K)->Unit(benchmark::kMillisecond);

void BM_Deep1e100At4KRows(benchmark::State& state) {
    DeepReference reference;
    if (reference.Prepare(At4K(kBeside)) != DeepStatus::Ready) {
        state.SkipWithError(reference.Error().c_str());
        return;
    }
    std::vector<DeepPixel> row(k4KWidth);
    std::vector<int> counts(k4KWidth);
    for (auto _ : state)
        for (int y = k4KHeight / 32; y < k4KHeight; y += k4KHeight / 16) {
            for (int x = 0; x < k4KWidth; ++x)
                row[static_cast<std::size_t>(x)] = {x, y};
            ComputeDeepCounts(reference, row, counts);
            benchmark::DoNotOptimize(counts.data());
        }
}
BENCHMARK(BM_Deep1e100At4KRows)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
}  // namespace zolt

BENCHMARK_MAIN();
