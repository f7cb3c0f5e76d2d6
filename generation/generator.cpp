#include "generation/generator.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <mutex>
#include <system_error>

#include "colour/colour_methods.h"
#include "document/current_fractal.h"
#include "document/navigation_history.h"
#include "generation/generation_defaults.h"
#include "generation/pass_schedule.h"
#include "generation/view_refusal.h"
#include "generation/worker_surface.h"
#include "generation/worker_threads.h"
#include "surface/command_ids.h"
#include "surface/ui_surface.h"

namespace zolt {

namespace {

// Off while a generation runs, on again when it ends.
constexpr std::uint32_t kBusyCommands =
    CommandBits({kCmdHome, kCmdGenerate, kCmdRefresh, kCmdNew, kCmdOpen, kCmdOptions}) |
    kPriorityCommands;

int SaturatingAdd(int a, int b) {
    const long long sum = static_cast<long long>(a) + b;
    if (sum > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (sum < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(sum);
}

std::string GeneratingText(int iterations) {
    char text[64];
    std::snprintf(text, sizeof text, "Generating@%d iterations", iterations);
    return text;
}

}  // namespace

// Everything the worker needs, copied on the user-interface thread before it starts, so the
// worker never reads the current definition or the settings.
struct Generator::Job {
    bool fresh = true;
    GenerationSnapshot snapshot;
    bool monochrome = false;
    int modulation = 2;
    Palette palette;                            // only for a fresh image's colour table
    Colouring colouring;                        // only for a fresh image's shader
    bool keepSamples = false;                   // only for a fresh image's planes
    SampleLevel samples = SampleLevel::Counts;  // what they hold
    Place from;
    int penultimate = 1;
    int priority = 0;
    int threads = 1;
};

Generator::Generator(UiSurface& ui, CurrentFractal& current, NavigationHistory& history,
                     const GenerationDefaults& defaults, std::function<void()> wake)
    : ui_(ui),
      current_(current),
      history_(history),
      defaults_(defaults),
      mailbox_(std::move(wake)) {}

Generator::~Generator() {
    exiting_ = true;
    mailbox_.Close();
    JoinWorker();
}

void Generator::Ready(ReadyOptions options) {
    if (shutDown_)
        return;
    if (options.discard && initialised_) {
        Stop();
        ui_.InvalidateView();
    }
    Reset(options.discard);
    // The counts read belong to the picture shown: a new one has none yet.
    if (options.discard)
        reading_.reset();
    ui_.EnableCommands(
        CommandBits({kCmdHome, kCmdGenerate, kCmdRefresh, kCmdOptions}) | kPriorityCommands, true);
    history_.UpdateNavigationCommands(true);
    ui_.EnableCommands(CommandBits({kCmdStop, kCmdContinue, kCmdSkip}), false);
    ui_.SetStatusText(1, "Ready");
    ui_.SetStatusText(2, "");
    if (options.autoGenerate && defaults_.values.AutoGenerate)
        Generate(options.generate);
}

void Generator::Reset(bool full) {
    // A worker never outlives a reset: it is stopped and joined, and what it still had to say
    // is delivered now, before anything the caller says next.
    JoinWorker();
    mailbox_.Deliver();
    running_ = false;
    stopRequested_ = false;
    skipRequested_ = false;
    if (full) {
        if (initialised_)
            DestroyImage(image_);
        snapshot_ = {};
    }
    resume_.reset();
    exiting_ = false;
    initialised_ = true;
}

int Generator::NewViewIterations(int iterations) const {
    // Automatic iterations choose the limit from the picture the new view was taken from;
    // without one to read, the increment applies as it always does.
    if (defaults_.values.AutomaticIterations && reading_)
        return AutomaticIterations(*reading_, current_.BaseIterations());
    return SaturatingAdd(iterations, defaults_.values.IterativeIncrement);
}

bool Generator::Accepts(GenerationSnapshot numbers, GenerateOptions options) const {
    if (options.increment) {
        FractalDef probe;
        SetNumbersOf(probe, numbers);
        if (history_.DiffersFromCurrentEntry(probe))
            numbers.Iterations = NewViewIterations(numbers.Iterations);
    }
    const ViewSize size = ui_.ViewClientSize();
    const std::string refusal = ViewRefusal(numbers, size.width, size.height, [this] {
        return AvailableMemory() + heldReference_.load();
    });
    if (refusal.empty())
        return true;
    ui_.ShowMessage(ViewRefusalMessage(refusal));
    return false;
}

void Generator::Generate(GenerateOptions options) {
    if (!initialised_ || shutDown_)
        return;
    const FractalDef& def = current_.Definition();
    // A view that cannot be drawn leaves everything as it is, the image shown included.
    if (!Accepts(NumbersOf(def), options))
        return;
    if (options.increment && history_.DiffersFromCurrentEntry(def)) {
        GenerationSnapshot numbers = NumbersOf(def);
        numbers.Iterations = NewViewIterations(numbers.Iterations);
        current_.SetNumbers(numbers);
        current_.MarkUntitled();
    }
    if (options.push)
        current_.PushCurrent(!IsRunning());
    Start(true);
}

void Generator::Stop() {
    if (!initialised_ || shutDown_)
        return;
    ui_.SetStatusText(1, "Ending generation");
    stopRequested_ = true;
    ui_.EnableCommands(CommandBit(kCmdStop), false);
}

void Generator::Continue() {
    Start(false);
}

void Generator::Skip() {
    if (initialised_)
        skipRequested_ = true;
}

void Generator::Start(bool fresh) {
    if (!initialised_ || shutDown_)
        return;
    const bool resume = resume_ && !fresh;
    if (resume) {
        JoinWorker();
        running_ = false;
        stopRequested_ = false;
        skipRequested_ = false;
    } else {
        Reset(true);
    }

    const FractalDef& def = current_.Definition();
    Job job;
    job.fresh = !resume;
    if (resume) {
        job.from = *resume_;
    } else {
        snapshot_ = NumbersOf(def);
        job.from.block = FirstBlockSize(defaults_.values.InitialResolution);
        job.from.tally = CountTally(snapshot_.Iterations);
        job.palette = def.Appearance.Palette;
        job.colouring = def.Appearance.Colouring;
        job.keepSamples = sampleFloor_.has_value() || !IsClassicColouring(job.colouring);
        job.samples =
            std::max(SamplesFor(job.colouring), sampleFloor_.value_or(SampleLevel::Counts));
    }
    job.snapshot = snapshot_;
    job.monochrome = def.Appearance.Monochrome;
    job.modulation = def.Appearance.Modulation;
    job.penultimate = defaults_.values.PenultimateResolution;
    job.priority = defaults_.values.GeneratePriority;
    job.threads = threads_ > 0 ? threads_ : WorkerThreadCount();

    running_ = true;
    try {
        worker_ = std::thread(&Generator::GenerationLoop, this, std::move(job));
    } catch (const std::system_error&) {
        running_ = false;
        // As after the reset above: a fresh start leaves no view behind, a continuation keeps
        // its saved point so that it can be tried again.
        if (!resume)
            snapshot_ = {};
        ui_.ShowMessage("Failed to start fractal thread.");
        return;
    }
    current_.LockAspect();
    ui_.EnableCommands(CommandBits({kCmdStop, kCmdSkip}), true);
    ui_.EnableCommands(kBusyCommands | CommandBits({kCmdBack, kCmdForward, kCmdContinue}), false);
}

void Generator::Shutdown() {
    if (!initialised_ || shutDown_)
        return;
    exiting_ = true;
    Stop();
    mailbox_.Close();
    JoinWorker();
    DestroyImage(image_);
    running_ = false;
    shutDown_ = true;
}

bool Generator::IsRunning() const {
    return initialised_ && running_;
}

void Generator::PaintView(const PixelTarget& target) const {
    if (!initialised_)
        return;
    PaintImage(image_, target);
}

bool Generator::GetImage(ImageInfo& out) const {
    if (!initialised_)
        return false;
    out = DescribeImage(image_);
    return true;
}

bool Generator::GetSnapshot(GenerationSnapshot& out) const {
    if (!initialised_)
        return false;
    out = snapshot_;
    return true;
}

Generator::ColouringChange Generator::ChangeFor(const Colouring& colouring) const {
    if (!initialised_)
        return ColouringChange::Regenerate;
    std::lock_guard lock(image_.mutex);
    const bool held =
        image_.created && image_.samples.Held() && SamplesFor(colouring) <= image_.samples.level;
    return held ? ColouringChange::Recolour : ColouringChange::Regenerate;
}

bool Generator::Recolour() {
    if (!initialised_ || shutDown_ ||
        ChangeFor(current_.Definition().Appearance.Colouring) != ColouringChange::Recolour)
        return false;
    const Appearance& appearance = current_.Definition().Appearance;
    ShadingContext shading;
    shading.iterations = snapshot_.Iterations;
    shading.monochrome = appearance.Monochrome;
    shading.modulation = appearance.Modulation;
    {
        std::lock_guard lock(image_.mutex);
        shading.palette = image_.colours;
    }
    if (!RecolourImage(image_, {shading.monochrome, shading.modulation, shading.iterations},
                       ShaderFor(appearance.Colouring, shading)))
        return false;
    ui_.PresentImage();
    return true;
}

ImageBuffer Generator::CopyImage() const {
    std::lock_guard lock(image_.mutex);
    return image_.buffer;
}

void Generator::GenerationLoop(Job job) {
    try {
        RunGeneration(std::move(job));
    } catch (const std::bad_alloc&) {
        // A view that needs more memory than there is ends its generation as one without an
        // image does, and says so.
        Post([](Generator& g) { g.FinishWithoutImage(); });
    }
}

void Generator::RunGeneration(Job job) {
    WorkerSurface ui(ui_, mailbox_);
    ApplyThreadPriority(job.priority);

    if (job.fresh) {
        const ViewSize size = ui.ViewClientSize();
        const int displayColours = ui.ViewColourCount();
        // The image keeps its samples, when asked, so that a change of colouring needs no
        // counting again.
        const ShadingContext shading{job.snapshot.Iterations, job.monochrome, job.modulation,
                                     job.monochrome
                                         ? std::vector<Pixel>{}
                                         : BuildLogicalPalette(displayColours, job.palette)};
        const ImageSamples samples{job.keepSamples, job.samples, ShaderFor(job.colouring, shading)};
        if (!CreateImage(image_, size.width, size.height, displayColours, job.monochrome,
                         job.palette, samples)) {
            Post([](Generator& g) { g.FinishWithoutImage(); });
            return;
        }
        ui.PresentImage();
    }
    ui.SetStatusText(1, GeneratingText(job.snapshot.Iterations));

    // The colour table is only written when the image is created, above.
    const ColourRule colour{job.monochrome, job.modulation, job.snapshot.Iterations,
                            image_.colours};
    const int width = image_.buffer.width;
    const int height = image_.buffer.height;
    int percentShown = -1;
    const auto referenceProgress = [&ui, &percentShown](double fraction) {
        const int percent = static_cast<int>(fraction * 100.0);
        if (percent != percentShown)
            ui.SetStatusText(2, ReferenceProgressText(percent));
        percentShown = percent;
    };
    const ViewCounter::Status prepared =
        counter_.Prepare(job.snapshot, width, height, &stopRequested_, referenceProgress);
    heldReference_ = counter_.ReferenceBytes();
    if (exiting_)
        return;
    if (prepared == ViewCounter::Status::Refused) {
        Post([refusal = counter_.Refusal()](Generator& g) { g.FinishRefused(refusal); });
        return;
    }
    if (prepared == ViewCounter::Status::Stopped) {
        // Nothing of the image is done yet: Continue takes up the reference where it stopped.
        Post([from = std::move(job.from)](Generator& g) mutable {
            g.Finish(std::move(from), ViewCounter::Kind::Deep);
        });
        return;
    }
    const ViewCounter::Kind kind = counter_.Chosen();
    const PointCounter& counter = counter_.Counter();
    // The threads stay for the whole generation; each one runs at the generation's priority.
    RenderPool pool(job.threads - 1, [priority = job.priority] { ApplyThreadPriority(priority); });
    std::vector<PassReach> earlier = std::move(job.from.earlier);
    CountTally tally = std::move(job.from.tally);
    std::optional<LimitReading> reading;
    int block = job.from.block;
    PassPosition position = job.from.position;
    bool stopped = false;
    ui.EnableCommands(CommandBit(kCmdSkip), block > 1);
    for (;;) {
        PassProgress progress(ui, block);
        const PassJob pass{.counter = &counter,
                           .colour = colour,
                           .block = block,
                           .start = position,
                           .earlier = earlier,
                           .stop = &stopRequested_,
                           .skip = &skipRequested_,
                           .tally = &tally};
        position = pool.Run(pass, image_, progress);
        if (exiting_)
            return;
        // Every pass ends with a copy into the view, except one cut short by Stop. A stop that
        // comes after the last row leaves a complete pass, which is shown all the same.
        if (width > 0 && height > 0 && !(stopRequested_ && position.y < height))
            ui.PresentImage();
        const int next = NextBlockSize(block, job.penultimate);
        if (stopRequested_) {
            // A stop that arrives once the last pass is complete finds nothing left to do.
            stopped = !(position.y >= height && next == 0);
            break;
        }
        skipRequested_ = false;
        reading = ReadLimit(tally, job.snapshot, width, counter_, &stopRequested_);
        Post([reading = *reading](Generator& g) { g.reading_ = reading; });
        earlier.push_back({block, position});
        if (next == 0)
            break;
        block = next;
        position = {};
        ui.EnableCommands(CommandBit(kCmdSkip), block > 1);
    }
    std::optional<Place> resume;
    if (stopped)
        resume = Place{block, position, std::move(earlier), std::move(tally)};
    const bool starved = !stopped && reading && Starved(*reading);
    Post([resume = std::move(resume), kind, starved](Generator& g) mutable {
        g.Finish(std::move(resume), kind, starved);
    });
}

void Generator::Post(std::function<void(Generator&)> call) {
    mailbox_.Post([this, call = std::move(call)] { call(*this); });
}

void Generator::Finish(std::optional<Place> resume, ViewCounter::Kind kind, bool starved) {
    if (resume) {
        ui_.SetStatusText(1, "Stopped");
    } else {
        // With automatic iterations the next view takes care of it; a deep view keeps its own
        // ending.
        const bool tell =
            starved && kind == ViewCounter::Kind::Plain && !defaults_.values.AutomaticIterations;
        ui_.SetStatusText(1,
                          tell ? "Finished - more iterations may show detail" : FinishedText(kind));
        ui_.SetStatusText(2, "");
    }
    EndRun(std::move(resume));
}

void Generator::FinishWithoutImage() {
    EndRun(std::nullopt);
    ui_.ShowMessage("Not enough memory for this view.");
}

void Generator::FinishRefused(const std::string& refusal) {
    EndRun(std::nullopt);
    ui_.SetStatusText(1, "Ready");
    ui_.SetStatusText(2, "");
    ui_.ShowMessage(ViewRefusalMessage(refusal));
}

void Generator::EndRun(std::optional<Place> resume) {
    JoinWorker();
    running_ = false;
    stopRequested_ = false;
    skipRequested_ = false;
    resume_ = std::move(resume);
    EnableIdleCommands(resume_.has_value());
    current_.UnlockAspect();
}

void Generator::EnableIdleCommands(bool canContinue) {
    ui_.EnableCommands(kBusyCommands, true);
    history_.UpdateNavigationCommands(true);
    ui_.EnableCommands(CommandBits({kCmdStop, kCmdSkip}), false);
    ui_.EnableCommands(CommandBit(kCmdContinue), canContinue);
}

void Generator::JoinWorker() {
    if (!worker_.joinable())
        return;
    stopRequested_ = true;
    worker_.join();
}

}  // namespace zolt
