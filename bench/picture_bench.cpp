// How fast Zolt makes a picture file: what zolt-render does once it has read its options (count
// the view on every thread, then compress and write the PNG file), on one thread and on two,
// against the plain loop counting the same view on one thread; and the compression alone. The
// counters give the ratios within the run: "x_plain" to the plain loop, "x_1thread" to the same
// benchmark on one thread (each present when its reference ran before it).

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>

#include "engine/iterate_point.h"
#include "engine/offscreen_image.h"
#include "engine/render_pass.h"
#include "generation/picture.h"

namespace zolt {
namespace {

constexpr double kEscape = 200.0;

struct PictureView {
    const char* name;
    GenerationSnapshot numbers;
    int width;
    int height;
};

// A view `across` wide from (pstart, qstart), at the picture's proportions.
PictureView Cornered(const char* name, double pstart, double qstart, double across, int iterations,
                     int width, int height) {
    GenerationSnapshot numbers{pstart, pstart + across, qstart, 0.0, iterations, kEscape};
    numbers.Qfinish = DeriveQfinish(numbers, {width, height});
    return {name, numbers, width, height};
}

// The same, centred on (p, q).
PictureView Centred(const char* name, double p, double q, double across, int iterations, int width,
                    int height) {
    const double down = across * height / width;
    return Cornered(name, p - across / 2, q - down / 2, across, iterations, width, height);
}

// zolt-render's home view, and two where orbits run long: a spiral near the boundary, and a strip
// just right of the cusp at 0.25, where the points inside converge too slowly for a cycle to be
// caught and those outside take thousands of steps to escape.
const PictureView kViews[] = {
    Cornered("home", -2.5, -1.5, 3.75, 5000, 1520, 1240),
    Centred("spiral", -0.74365, 0.13182, 1e-5, 5000, 1520, 1240),
    Centred("cusp", 0.25005, 0.0, 1e-4, 5000, 1520, 1240),
    Cornered("home-4096", -2.5, -1.5, 3.75, 250, 4096, 4096),
};

// Seconds a benchmark iteration took, by benchmark, for the ratios.
std::map<std::string, double>& Seconds() {
    static std::map<std::string, double> seconds;
    return seconds;
}

// Times the benchmark's loop of `run`, and sets the ratios to the references measured before.
template <class Run>
void Timed(benchmark::State& state, const std::string& key, const std::string& plain,
           const std::string& oneThread, const Run& run) {
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        run();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
        static_cast<double>(state.iterations());
    Seconds()[key] = seconds;
    for (const auto& [name, reference] : {std::pair{"x_plain", plain}, {"x_1thread", oneThread}}) {
        const auto found = Seconds().find(reference);
        if (found != Seconds().end() && reference != key)
            state.counters[name] = found->second / seconds;
    }
}

// The plain loop counting every pixel of the view on one thread, as the renderer lays them out.
void PlainCount(benchmark::State& state, const PictureView& view) {
    const GenerationSnapshot& s = view.numbers;
    const double dx = (s.Pfinish - s.Pstart) / view.width;
    Timed(state, std::string("plain/") + view.name, "", "", [&] {
        long long total = 0;
        for (int y = 0; y < view.height; ++y)
            for (int x = 0; x < view.width; ++x)
                total += IteratePoint(x * dx + s.Pstart, y * dx + s.Qstart, s.Iterations, kEscape);
        benchmark::DoNotOptimize(total);
    });
}

// A file of the benchmark's own, removed when it ends.
struct TempFile {
    TempFile() { ::close(::mkstemp(path)); }
    ~TempFile() { ::unlink(path); }
    char path[32] = "/tmp/zolt-bench-XXXXXX";
};

// What zolt-render does with the view: the same definition, counted and written the same way.
void Picture(benchmark::State& state, const PictureView& view, int threads) {
    FractalDef def;
    def.Appearance.Colours = 256;
    BuildPalette(256, def.Appearance.Palette);
    SetNumbersOf(def, view.numbers);
    const DefinitionPicture picture{.width = view.width, .height = view.height, .threads = threads};
    TempFile file;
    const std::string key = std::string(view.name) + "/threads:";
    Timed(state, key + std::to_string(threads), std::string("plain/") + view.name, key + "1", [&] {
        const PictureOutcome outcome =
            WriteDefinitionPicture(def, picture, file.path, AtomicFile::Fifo::kRefuseWithoutReader);
        if (!outcome.written)
            state.SkipWithError(outcome.reason.c_str());
    });
}

// The view's pixels, computed once for every benchmark that compresses them.
const ImageBuffer& PixelsOf(const PictureView& view) {
    static std::map<std::string, ImageBuffer> computed;
    auto [at, added] = computed.try_emplace(view.name);
    if (added) {
        Palette palette;
        BuildPalette(256, palette);
        OffscreenImage image;
        CreateImage(image, view.width, view.height, 256, false, palette);
        const PlainCounter counter(view.numbers, view.width);
        class : public PassObserver {
            void RowBegun(int) override {}
            void RowFinished(int) override {}
        } nobody;
        RenderPool(1).Run(
            {.counter = &counter, .colour = {false, 2, view.numbers.Iterations, image.colours}},
            image, nobody);
        at->second = std::move(image.buffer);
    }
    return at->second;
}

// The compression alone: the view's pixels into a PNG file that goes nowhere.
void Compression(benchmark::State& state, const PictureView& view, int threads) {
    const ImageBuffer& image = PixelsOf(view);
    const std::string key = std::string("png/") + view.name + "/threads:";
    Timed(state, key + std::to_string(threads), "", key + "1", [&] {
        std::string reason;
        if (!WritePng(image, "/dev/null", {}, &reason, threads))
            state.SkipWithError(reason.c_str());
    });
    state.SetBytesProcessed(state.iterations() * image.height * (3LL * image.width + 1));
}

const bool kRegistered = [] {
    for (const PictureView& view : kViews) {
        const std::string name = view.name;
        benchmark::RegisterBenchmark(("BM_PlainCount/" + name).c_str(), PlainCount, view)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
        for (const int threads : {1, 2})
            benchmark::RegisterBenchmark(
                ("BM_Picture/" + name + "/threads:" + std::to_string(threads)).c_str(), Picture,
                view, threads)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
    }
    const PictureView& big = kViews[3];
    for (const int threads : {1, 2})
        benchmark::RegisterBenchmark(
            (std::string("BM_PngCompression/") + big.name + "/threads:" + std::to_string(threads))
                .c_str(),
            Compression, big, threads)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    return true;
}();

}  // namespace
}  // namespace zolt

BENCHMARK_MAIN();
