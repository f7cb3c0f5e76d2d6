// zolt-render: renders one view through a real generation, without a screen, into a PNG file.

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/render_options.h"
#include "commands/workspace.h"
#include "document/fractal_file.h"
#include "document/png_file.h"
#include "surface/headless_surface.h"

namespace {

constexpr int kUsageError = 2;

int Fail(const std::string& message) {
    std::cerr << "zolt-render: " << message << '\n';
    return kUsageError;
}

// The view given by the options.
bool SetViewFromOptions(const zolt::RenderOptions& options, zolt::Workspace& work,
                        std::string& error) {
    using namespace zolt;
    Appearance appearance;
    appearance.Monochrome = options.monochrome;
    appearance.Modulation = options.modulation;
    appearance.Colours = options.colours;
    if (!BuildPalette(options.colours, appearance.Palette)) {
        error = "cannot build a palette of " + std::to_string(options.colours) + " colours";
        return false;
    }
    const GenerationSnapshot numbers{
        options.pstart,
        options.pfinish,
        options.qstart,
        DeriveQfinish(options.pstart, options.pfinish, options.qstart, work.ui.ViewClientSize()),
        options.iterations,
        options.escape};
    if (!work.current.SetCurrent("Fractal", numbers, appearance, {.untitled = true})) {
        error = "out of memory";
        return false;
    }
    return true;
}

// The view saved in a fractal file; Qfinish follows from the image's proportions.
bool SetViewFromFile(const std::string& path, zolt::Workspace& work, std::string& error) {
    using namespace zolt;
    const FractalLoad load =
        LoadFractalFile(path, work.ui.ViewClientSize(), work.ui.ViewColourCount());
    if (!load.content) {
        error = "cannot load '" + path + "': " + load.reason;
        return false;
    }
    if (!work.current.SetCurrent(PathText(path).BaseName(), load.content->numbers,
                                 load.content->appearance, {})) {
        error = "out of memory";
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zolt;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ParsedOptions parsed = ParseRenderOptions(args);
    if (!parsed.options)
        return Fail(parsed.error + " (see --help)");
    const RenderOptions& options = *parsed.options;
    if (options.help) {
        std::cout << RenderUsage();
        return 0;
    }

    HeadlessSurface ui({options.width, options.height}, 256);
    HeadlessEventLoop loop;
    Workspace work(ui, nullptr, loop.WakeFunction());
    work.defaults.values.InitialResolution = options.initial;
    work.defaults.values.PenultimateResolution = options.penultimate;
    Generator& generator = work.generator;
    generator.SetThreads(options.threads);

    std::string error;
    const bool viewSet = options.input.empty() ? SetViewFromOptions(options, work, error)
                                               : SetViewFromFile(options.input, work, error);
    if (!viewSet)
        return Fail(error);

    generator.Ready({});
    if (options.verbose) {
        ui.SetStatusListener([](const HeadlessSurface::StatusChange& change) {
            std::cerr << "pane " << change.pane << ": " << change.text << '\n';
        });
    }
    generator.Generate({});
    const bool finished = loop.RunUntil([&] { return generator.DeliverWorkerCalls(); },
                                        [&] { return !generator.IsRunning(); }, 24 * 3600 * 1000);
    if (!finished || ui.StatusText(1) != "Finished")
        return Fail("the generation did not finish");
    if (!WritePng(generator.CopyImage(), options.output))
        return Fail("cannot write '" + options.output + "'");
    return 0;
}
