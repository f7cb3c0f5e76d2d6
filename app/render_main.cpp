// zolt-render: renders a view into a PNG picture, without a screen.

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "app/render_movie.h"
#include "app/render_options.h"
#include "app/render_parts.h"
#include "colour/gradient_files.h"
#include "document/fractal_file.h"
#include "engine/deep_engine.h"
#include "engine/view_counter.h"
#include "generation/pass_schedule.h"
#include "generation/picture.h"
#include "generation/time_left.h"
#include "generation/trial_iterations.h"
#include "generation/worker_threads.h"
#include "movie/exr_picture.h"
#include "settings/number_text.h"

namespace {

using namespace zolt;

constexpr int kFailed = 1;
constexpr int kUsageError = 2;

int Fail(int status, const std::string& message) {
    std::cerr << "zolt-render: " << message << '\n';
    return status;
}

std::string CannotRender(const std::string& reason) {
    return "cannot render the view: " + reason;
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
    // Every digit given counts where doubles cannot resolve the picture's pixels: digits that
    // cannot all be taken refuse the view rather than leave some out.
    if (NeedsDeep(numbers, options.width) && !SetExactCorners(numbers, options.exact, size)) {
        const DeepCoordinates& exact = options.exact;
        error =
            CannotRender(AssessDeepView({exact.Pstart, exact.Pfinish, exact.Qstart, options.width,
                                         options.height, options.iterations, options.escape})
                             .refusal);
        return false;
    }
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
    if (options.iterationsGiven)
        def.Iterations = options.iterations;
    if (!CopyAppearance(load.content->appearance, def.Appearance)) {
        error = "out of memory";
        return false;
    }
    return true;
}

// The colouring options over the definition's colouring. False, with `error` naming the file
// and its line, for a gradient file that cannot be read.
bool ApplyColouring(const RenderOptions& options, FractalDef& def, std::string& error) {
    Colouring& colouring = def.Appearance.Colouring;
    if (options.method)
        colouring.method = *options.method;
    for (const auto& [field, value] : options.colouringValues)
        colouring.*field = value;
    if (options.interior)
        colouring.interior = *options.interior;
    if (!options.gradient.empty()) {
        GradientRead read = LoadGradientFile(options.gradient);
        if (!read.gradient) {
            error = "cannot load the gradient: " + read.error;
            return false;
        }
        colouring.gradient = std::move(*read.gradient);
    }
    return true;
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

    // From any thread of the picture, one call at a time: 0 once the rows begin, then each row.
    void Rows(int done) {
        const auto now = std::chrono::steady_clock::now();
        if (done == 0) {
            rowsBegan_ = now;
            return;
        }
        const int percent = static_cast<int>(100LL * done / height_);
        if (verbose_ && done == height_)
            std::cerr << "pane 2: " << ProgressText(1, percent) << '\n';
        // A new line at each percent, and every half second in between for the time left.
        if (!line_ || (percent == percentShown_ && now - shownAt_ < std::chrono::milliseconds(500)))
            return;
        percentShown_ = percent;
        shownAt_ = now;
        const double seconds = std::chrono::duration<double>(now - rowsBegan_).count();
        const auto left = SecondsLeft(done, height_, seconds);
        char text[128];
        std::snprintf(text, sizeof text, "\r%3d%%  %s ", percent,
                      left ? (DurationText(*left) + " left").c_str() : "          ");
        std::cerr << text << std::flush;
    }

    // The reference orbit of a deep view, before any row: on a terminal with its size and,
    // once a percent is done, the time it will take.
    void Reference(double fraction, std::uint64_t bytes) {
        const int percent = static_cast<int>(fraction * 100.0);
        if (percent == referencePercent_)
            return;
        referencePercent_ = percent;
        if (verbose_)
            std::cerr << "pane 2: " << ReferenceProgressText(percent) << '\n';
        if (line_) {
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
            std::cerr << "\r" << ReferenceEstimateText(fraction, bytes, seconds) << "  "
                      << std::flush;
        }
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
    int percentShown_ = -1;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point rowsBegan_ = start_;
    std::chrono::steady_clock::time_point shownAt_;
};

int Render(const RenderOptions& options) {
    PartNumbers part;
    if (options.part) {
        part = ResolvePart(*options.part, [](const char* name) { return std::getenv(name); });
        if (!part.error.empty())
            return Fail(kUsageError, part.error);
    }
    FractalDef def;
    std::string error;
    const bool defined = options.input.empty() ? DefineFromOptions(options, def, error)
                                               : DefineFromFile(options, def, error);
    if (!defined || !ApplyColouring(options, def, error))
        return Fail(kFailed, error);
    const int threads = options.threads > 0 ? options.threads : WorkerThreadCount();
    if (options.autoIterations)
        def.Iterations = TrialIterations(def, options.width, options.height, threads);
    if (!options.movie.empty() || !options.frames.empty()) {
        // Settings the view does not allow are a mistake in the options, found before any work.
        if (!PlanMovie(def, MovieSettingsOf(options), error))
            return Fail(kUsageError, error);
        return options.part ? RenderPart(options, part, def) : RenderMovie(options, def);
    }
    if (options.part)
        return RenderPart(options, part, def);

    Progress progress(options, def.Iterations);
    const DefinitionPicture picture{
        .width = options.width,
        .height = options.height,
        .supersample = options.supersample,
        .threads = threads,
        .referenceProgress = [&progress](
                                 double fraction,
                                 std::uint64_t bytes) { progress.Reference(fraction, bytes); },
        .rowProgress = [&progress](int rows) { progress.Rows(rows); },
    };
    const bool toStdout = options.output == "-";
    const std::string output = toStdout ? "/dev/stdout" : options.output;
    const PictureOutcome outcome =
        IsExrPath(output)
            ? WriteExrPicture(def, picture, output)
            : WriteDefinitionPicture(def, picture, output, AtomicFile::Fifo::kWaitForReader);
    progress.Done(outcome.written, outcome.kind);
    if (outcome.refused)
        return Fail(kFailed, CannotRender(outcome.reason));
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
        return options.assemble.empty() ? Render(options) : AssembleParts(options);
    } catch (const std::bad_alloc&) {
        return Fail(kFailed, "out of memory");
    }
}
