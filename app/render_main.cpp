// zolt-render: renders a view into a PNG picture, without a screen.

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "app/render_movie.h"
#include "app/render_options.h"
#include "document/fractal_file.h"
#include "engine/view_counter.h"
#include "generation/pass_schedule.h"
#include "generation/picture.h"
#include "generation/worker_threads.h"
#include "movie/exr_picture.h"

namespace {

using namespace zolt;

constexpr int kFailed = 1;
constexpr int kUsageError = 2;

int Fail(int status, const std::string& message) {
    std::cerr << "zolt-render: " << message << '\n';
    return status;
}

// The definition the picture shows, from the options or from a file, with Qfinish for the
// picture's proportions.
bool DefineFromOptions(const RenderOptions& options, FractalDef& def, std::string& error) {
    def.Appearance.Monochrome = options.monochrome;
    def.Appearance.Modulation = options.modulation;
    def.Appearance.Colours = options.colours;
    if (!BuildPalette(options.colours, def.Appearance.Palette)) {
        error = "cannot build a palette of " + std::to_string(options.colours) + " colours";
        return false;
    }
    const ViewSize size{options.width, options.height};
    GenerationSnapshot numbers{options.pstart,     options.pfinish, options.qstart, 0.0,
                               options.iterations, options.escape};
    numbers.Qfinish = DeriveQfinish(numbers, size);
    // Every digit given counts where doubles cannot resolve the picture's pixels.
    if (NeedsDeep(numbers, options.width))
        SetExactCorners(numbers, options.exact, size);
    SetNumbersOf(def, numbers);
    return true;
}

bool DefineFromFile(const RenderOptions& options, FractalDef& def, std::string& error) {
    const FractalLoad load =
        LoadFractalFile(options.input, ViewSize{options.width, options.height}, 256);
    if (!load.content) {
        error = "cannot load '" + options.input + "': " + load.reason;
        return false;
    }
    SetNumbersOf(def, load.content->numbers);
    if (!CopyAppearance(load.content->appearance, def.Appearance)) {
        error = "out of memory";
        return false;
    }
    return true;
}

std::string Duration(double seconds) {
    const long whole = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

// What zolt-render says while it works: on a terminal a progress line that rewrites itself,
// with --verbose the status texts the window would show.
class Progress {
  public:
    Progress(const RenderOptions& options, int iterations)
        : line_(!options.quiet && ::isatty(STDERR_FILENO) != 0),
          verbose_(options.verbose),
          height_(options.height),
          start_(std::chrono::steady_clock::now()) {
        if (verbose_)
            std::cerr << "pane 1: Generating@" << iterations << " iterations\n";
    }

    void Rows(int done) {
        const int percent = static_cast<int>(100LL * done / height_);
        if (verbose_)
            std::cerr << "pane 2: " << ProgressText(1, percent) << '\n';
        if (!line_)
            return;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        const double rate = seconds > 0 ? done / seconds : 0.0;
        const double left = rate > 0 ? (height_ - done) / rate : 0.0;
        char text[128];
        std::snprintf(text, sizeof text, "\r%3d%%  %.0f rows/s  %s left ", percent, rate,
                      Duration(left).c_str());
        std::cerr << text << std::flush;
    }

    // The reference orbit of a deep view, before any row.
    void Reference(double fraction) {
        const int percent = static_cast<int>(fraction * 100.0);
        if (percent == referencePercent_)
            return;
        referencePercent_ = percent;
        if (verbose_)
            std::cerr << "pane 2: " << ReferenceProgressText(percent) << '\n';
        if (line_)
            std::cerr << "\rreference " << percent << "% " << std::flush;
    }

    void Done(bool written, ViewCounter::Kind kind) {
        if (line_)
            std::cerr << "\r" << std::string(40, ' ') << "\r" << std::flush;
        if (verbose_ && written)
            std::cerr << "pane 1: " << FinishedText(kind) << "\npane 2: \n";
    }

  private:
    bool line_;
    bool verbose_;
    int height_;
    int referencePercent_ = -1;
    std::chrono::steady_clock::time_point start_;
};

int Render(const RenderOptions& options) {
    FractalDef def;
    std::string error;
    const bool defined = options.input.empty() ? DefineFromOptions(options, def, error)
                                               : DefineFromFile(options, def, error);
    if (!defined)
        return Fail(kFailed, error);
    if (!options.movie.empty() || !options.frames.empty())
        return RenderMovie(options, def);

    Progress progress(options, def.Iterations);
    const DefinitionPicture picture{
        .width = options.width,
        .height = options.height,
        .threads = options.threads > 0 ? options.threads : WorkerThreadCount(),
        .referenceProgress = [&progress](double fraction) { progress.Reference(fraction); },
        .rowProgress =
            [&progress](int rows) {
                if (rows > 0)
                    progress.Rows(rows);
            },
    };
    const bool toStdout = options.output == "-";
    const std::string output = toStdout ? "/dev/stdout" : options.output;
    const PictureOutcome outcome =
        IsExrPath(output)
            ? WriteExrPicture(def, picture, output)
            : WriteDefinitionPicture(def, picture, output, AtomicFile::Fifo::kWaitForReader);
    progress.Done(outcome.written, outcome.kind);
    if (outcome.kind == ViewCounter::Kind::PastLimit)
        std::cerr << "zolt-render: warning: the view is too small even for the deep-zoom "
                     "engine; neighbouring pixels may repeat each other\n";
    if (!outcome.written)
        return Fail(kFailed, "cannot write '" + (toStdout ? std::string("-") : output) +
                                 "': " + outcome.reason);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Past a file size limit a write fails with an error to report, instead of a signal that
    // would end the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        const ParsedOptions parsed =
            ParseRenderOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (!parsed.options)
            return Fail(kUsageError, parsed.error + " (see --help)");
        const RenderOptions& options = *parsed.options;
        if (options.help) {
            std::cout << RenderUsage();
            return 0;
        }
        if (options.version) {
            std::cout << "zolt-render 1.0\n";
            return 0;
        }
        return Render(options);
    } catch (const std::bad_alloc&) {
        return Fail(kFailed, "out of memory");
    }
}
