// zolt-render: renders one view through a real generation, without a screen, into a PNG file.

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/png_writer.h"
#include "app/render_options.h"
#include "document/current_fractal.h"
#include "document/fractal_file.h"
#include "document/navigation_history.h"
#include "generation/generation_defaults.h"
#include "generation/generator.h"
#include "surface/headless_surface.h"

namespace {

constexpr int kUsageError = 2;

int Fail(const std::string& message) {
    std::cerr << "zolt-render: " << message << '\n';
    return kUsageError;
}

// The view given by the options.
bool SetViewFromOptions(const zolt::RenderOptions& options, zolt::CurrentFractal& current,
                        const zolt::UiSurface& ui, std::string& error) {
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
        DeriveQfinish(options.pstart, options.pfinish, options.qstart, ui.ViewClientSize()),
        options.iterations,
        options.escape};
    if (!current.SetCurrent("Fractal", numbers, appearance, false, true)) {
        error = "out of memory";
        return false;
    }
    return true;
}

// The view saved in a fractal file; Qfinish follows from the image's proportions.
bool SetViewFromFile(const std::string& path, zolt::CurrentFractal& current,
                     zolt::HeadlessSurface& ui, std::string& error) {
    using namespace zolt;
    FractalFile file(current, ui);
    if (file.RunPass(PassMode::Read, PathText(path)))
        return true;
    error = "cannot load '" + path + "'";
    for (const std::string& message : ui.Messages())
        error += ": " + message;
    if (ui.Messages().empty())
        error += ": not a readable fractal file";
    return false;
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
    NavigationHistory history(ui);
    CurrentFractal current(ui, history);
    GenerationDefaults defaults(ui, nullptr);
    defaults.values.InitialResolution = options.initial;
    defaults.values.PenultimateResolution = options.penultimate;
    HeadlessEventLoop loop;
    Generator generator(ui, current, history, defaults, loop.WakeFunction());

    std::string error;
    const bool viewSet = options.input.empty() ? SetViewFromOptions(options, current, ui, error)
                                               : SetViewFromFile(options.input, current, ui, error);
    if (!viewSet)
        return Fail(error);

    generator.Ready(false, false, false, false);
    if (options.verbose) {
        ui.SetStatusListener([](const HeadlessSurface::StatusChange& change) {
            std::cerr << "pane " << change.pane << ": " << change.text << '\n';
        });
    }
    generator.Generate(false, false);
    const bool finished = loop.RunUntil([&] { return generator.DeliverWorkerCalls(); },
                                        [&] { return !generator.IsRunning(); }, 24 * 3600 * 1000);
    if (!finished || ui.StatusText(1) != "Finished")
        return Fail("the generation did not finish");
    if (!WritePng(generator.CopyImage(), options.output))
        return Fail("cannot write '" + options.output + "'");
    return 0;
}
