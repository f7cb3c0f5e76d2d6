// What colouring costs: a full-resolution pass on one thread with each colour method on the same
// view (the methods beyond bands compute more of each orbit), recolouring a 760 x 620 image from
// its samples as the colouring dialog does, and pictures supersampled 1, 2 and 3 times along each
// side. Compare the times within one run: the machine may be shared.

#include <benchmark/benchmark.h>

#include <string>

#include "bench/bench_views.h"
#include "colour/colour_methods.h"
#include "colour/gradient.h"
#include "engine/render_pass.h"
#include "generation/picture.h"

namespace zolt {
namespace {

using namespace zolt::bench;

Colouring ColouringOf(ColourMethod method) {
    Colouring colouring;
    colouring.method = method;
    colouring.gradient = GradientPresets()[1];
    return colouring;
}

ShadingContext Context(const GenerationSnapshot& numbers, const OffscreenImage& image,
                       double scale = 1.0) {
    return {numbers.Iterations, false, 2, image.colours, scale};
}

// The classic bands stand for the colouring the program had before the others: the count rule,
// and no samples kept.
void Pass(benchmark::State& state, const View& view, ColourMethod method) {
    Palette palette;
    BuildPalette(256, palette);
    OffscreenImage image;
    const Colouring colouring = ColouringOf(method);
    const bool classic = method == ColourMethod::Bands;
    CreateImage(image, kWidth, kHeight, 256, false, palette);
    // As a generation has it: the classic colouring keeps no samples, the others keep theirs.
    const ImageSamples samples{
        !classic, SamplesFor(colouring),
        classic ? nullptr : ShaderFor(colouring, Context(view.numbers, image))};
    CreateImage(image, kWidth, kHeight, 256, false, palette, samples);
    const PlainCounter counter(view.numbers, kWidth);
    const ColourRule colour{false, 2, view.numbers.Iterations, image.colours};
    RenderPool pool(0);
    Unobserved observer;
    for (auto _ : state) {
        const PassJob job{.counter = &counter, .colour = colour, .samples = samples.level};
        benchmark::DoNotOptimize(pool.Run(job, image, observer));
    }
}

// Recolouring a finished image with every sample kept, as the colouring dialog previews.
void Recolour(benchmark::State& state, ColourMethod method) {
    const View& view = kViews[0];
    Palette palette;
    BuildPalette(256, palette);
    OffscreenImage image;
    CreateImage(image, kWidth, kHeight, 256, false, palette,
                {true, SampleLevel::Distance, nullptr});
    const PlainCounter counter(view.numbers, kWidth);
    RenderPool pool(0);
    Unobserved observer;
    pool.Run({.counter = &counter, .samples = SampleLevel::Distance}, image, observer);
    for (auto _ : state) {
        // The dialog makes a new shader for every change, so its making is measured too.
        const auto shader = MakeShader(ColouringOf(method), Context(view.numbers, image));
        benchmark::DoNotOptimize(RecolourImage(image, {false, 2, view.numbers.Iterations}, shader));
    }
}

// A 760 x 620 picture of the boundary view in smooth colours, `factor` x `factor` samples a
// pixel, on one thread; the bands go nowhere, so only the computing is measured.
void Supersample(benchmark::State& state, int factor) {
    const View& view = kViews[1];
    const PlainCounter counter(view.numbers, kWidth * factor);
    std::vector<Pixel> colours;
    const Colouring colouring = ColouringOf(ColourMethod::Smooth);
    const PictureRequest request{
        .counter = &counter,
        .shader = ShaderFor(colouring, {view.numbers.Iterations, false, 2, colours, 1.0 * factor}),
        .samples = SampleLevel::Fraction,
        .supersample = factor,
        .width = kWidth,
        .height = kHeight,
    };
    std::string reason;
    for (auto _ : state) {
        const bool done = RenderPictureBands(
            request, nullptr, [](const PictureBand&) { return true; }, {}, reason);
        if (!done)
            state.SkipWithError(reason.c_str());
    }
}

const bool kRegistered = [] {
    const std::pair<ColourMethod, const char*> methods[] = {
        {ColourMethod::Bands, "bands"},
        {ColourMethod::Smooth, "smooth"},
        {ColourMethod::Distance, "distance"},
        {ColourMethod::Relief, "relief"},
    };
    for (const View& view : kViews) {
        for (const auto& [method, name] : methods) {
            if (method == ColourMethod::Relief)
                continue;  // it computes what distance does
            benchmark::RegisterBenchmark(
                (std::string("BM_ColourPass/") + view.name + "/" + name).c_str(), Pass, view,
                method)
                ->Unit(benchmark::kMillisecond);
        }
    }
    for (const auto& [method, name] : methods) {
        benchmark::RegisterBenchmark((std::string("BM_Recolour/") + name).c_str(), Recolour, method)
            ->Unit(benchmark::kMillisecond);
    }
    for (const int factor : {1, 2, 3}) {
        benchmark::RegisterBenchmark(("BM_Supersample/" + std::to_string(factor)).c_str(),
                                     Supersample, factor)
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

}  // namespace
}  // namespace zolt

BENCHMARK_MAIN();
