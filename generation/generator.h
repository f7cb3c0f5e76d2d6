#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "engine/fractal_def.h"
#include "engine/offscreen_image.h"
#include "engine/render_pass.h"
#include "engine/view_counter.h"
#include "generation/iteration_rule.h"
#include "surface/ui_mailbox.h"

namespace zolt {

class CurrentFractal;
class GenerationDefaults;
class NavigationHistory;
class UiSurface;

// How a generation treats its view: records it in the history (push), and first raises the
// iterations by the increment when the view differs from the history's current entry.
struct GenerateOptions {
    bool push = false;
    bool increment = false;
};

// What Ready does besides making the generator ready: drop the image shown (discard), and
// generate at once when automatic generation is on (autoGenerate), with `generate`.
struct ReadyOptions {
    bool discard = false;
    bool autoGenerate = false;
    GenerateOptions generate = {};
};

// Computes the current fractal on a worker thread in passes of growing resolution, with Stop,
// Continue and Skip, and keeps the commands and the status bar in step.
//
// All public operations run on the user-interface thread. The worker owns nothing but its
// copy of the job: it draws into the image (under the image's lock), reads the atomic requests
// and posts every user-interface update to the mailbox, which the user-interface thread
// delivers in order (call DeliverWorkerCalls when the wake function fires). The worker never
// waits for the user-interface thread, so joining it can never deadlock, and the controller
// joins it before the image is released or a new generation starts.
class Generator {
  public:
    // `wake` is called from the worker whenever it posted something; it must not block and
    // should make the user-interface thread call DeliverWorkerCalls soon.
    Generator(UiSurface& ui, CurrentFractal& current, NavigationHistory& history,
              const GenerationDefaults& defaults, std::function<void()> wake = {});
    ~Generator();
    Generator(const Generator&) = delete;
    Generator& operator=(const Generator&) = delete;

    void Ready(ReadyOptions options);
    // Whether Generate with `options` could draw `numbers` were they the current definition's,
    // at the view's size (the increment applied as Generate applies it); when not, says why in a
    // message. Every command that makes a new view current asks first, so that a view that
    // cannot be drawn leaves the image, the definition and the history as they were.
    bool Accepts(GenerationSnapshot numbers, GenerateOptions options) const;
    // The limit Generate gives a new view whose definition has `iterations`: the increment
    // added, or with automatic iterations the limit read from the picture shown.
    int NewViewIterations(int iterations) const;
    void Reset(bool full);
    void Generate(GenerateOptions options);
    void Stop();
    void Continue();
    void Skip();
    void Start(bool fresh);
    // Program exit: stops and joins the worker without any further user-interface update, then
    // releases the image. Later operations do nothing.
    void Shutdown();

    // Threads that compute the next generations, the generation thread included; 0 (the start)
    // takes WorkerThreadCount().
    void SetThreads(int count) { threads_ = count; }

    // What giving the image shown a colouring takes: recolouring the samples it keeps, or a new
    // generation (there is no image yet, or its samples lack what the colouring reads).
    enum class ColouringChange { Recolour, Regenerate };
    ColouringChange ChangeFor(const Colouring& colouring) const;
    // Recolours the image shown with the current definition's colouring from its samples, on
    // the calling (user-interface) thread, without counting again, and has the view show it.
    // A running generation goes on in the new colours. False, with nothing changed, when
    // ChangeFor says a new generation is needed.
    bool Recolour();
    // The samples every later generation keeps beside its image, at the least. Without a floor
    // (the start), a generation keeps what its colouring reads, and in the classic colouring
    // nothing: it then runs as it always did. A dialog that changes colourings asks for what
    // it offers, so that moving between them needs no new generation.
    void SetSampleFloor(std::optional<SampleLevel> level) { sampleFloor_ = level; }

    bool IsRunning() const;
    bool Initialised() const { return initialised_; }
    bool CanContinue() const { return resume_.has_value(); }

    // Copies the image into `target` by the placement rule; nothing before the first Ready.
    void PaintView(const PixelTarget& target) const;
    bool GetImage(ImageInfo& out) const;
    bool GetSnapshot(GenerationSnapshot& out) const;
    // A copy of the image's pixels (for saving a picture, and for tests).
    ImageBuffer CopyImage() const;
    // What the counts of the picture shown say about its limit, as of its last complete pass;
    // none before one, and after a Ready that dropped the picture.
    const std::optional<LimitReading>& Reading() const { return reading_; }

    // Runs what the worker posted, in order. Returns the number of calls run.
    int DeliverWorkerCalls() { return mailbox_.Deliver(); }

  private:
    // Where a generation's work starts: the pass (its block size), the first point of it not yet
    // stored, and the passes of the image before it.
    struct Place {
        int block = 1;
        PassPosition position;
        std::vector<PassReach> earlier;
        CountTally tally;  // the counts stored so far
    };
    struct Job;
    void GenerationLoop(Job job);
    void RunGeneration(Job job);
    // Ends the generation, stopped where `resume` says or finished when it is none; a finished
    // picture may be starved for iterations.
    void Finish(std::optional<Place> resume, ViewCounter::Kind kind, bool starved = false);
    // The generation could not have its image (there was not memory enough): ends it and says so.
    void FinishWithoutImage();
    // The view could not be counted after all (its reference ran out of memory): ends the
    // generation and says why.
    void FinishRefused(const std::string& refusal);
    void EndRun(std::optional<Place> resume);
    void EnableIdleCommands(bool canContinue);
    void JoinWorker();
    void Post(std::function<void(Generator&)> call);

    UiSurface& ui_;
    CurrentFractal& current_;
    NavigationHistory& history_;
    const GenerationDefaults& defaults_;
    UiMailbox mailbox_;

    std::atomic<bool> running_{false};
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> skipRequested_{false};
    std::atomic<bool> exiting_{false};

    GenerationSnapshot snapshot_;
    OffscreenImage image_;
    std::optional<Place> resume_;  // where a Continue takes up a stopped generation
    std::optional<LimitReading> reading_;
    // The worker's alone while it runs. Kept between generations, so that a deep view stopped
    // while its reference is computed continues that reference.
    ViewCounter counter_;
    // The memory the counter's reference holds, as the worker last left it: a new view's
    // reference takes its place, so it counts as free for the next one.
    std::atomic<std::uint64_t> heldReference_{0};
    int threads_ = 0;  // 0: WorkerThreadCount()
    std::optional<SampleLevel> sampleFloor_;
    bool initialised_ = false;
    bool shutDown_ = false;

    std::thread worker_;
};

}  // namespace zolt
