#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "engine/count_tally.h"
#include "engine/fractal_def.h"
#include "engine/iteration_kernel.h"
#include "engine/offscreen_image.h"
#include "engine/point_samples.h"

namespace zolt {

// How a count becomes a pixel: bands of white in monochrome mode, the colour table otherwise,
// black for points that never escaped. Millions of pixels go through it, so the remainders take
// a multiplication by a reciprocal made once, not a division each.
class ColourRule {
  public:
    ColourRule() = default;
    ColourRule(bool monochrome, int modulation, int iterations, std::span<const Pixel> colours);

    Pixel operator()(int n) const {
        if (n >= iterations_ || n < 0)
            return kBlack;
        const auto index = static_cast<std::uint32_t>(n);
        if (monochrome_)
            return Remainder(index) == 0 ? kWhite : kBlack;
        // Without colours (an empty palette) everything is black rather than a division by 0.
        if (colours_.empty())
            return kBlack;
        return colours_[Remainder(index)];
    }

  private:
    // index % divisor_, exactly, for any 32-bit index (Lemire's remainder by multiplication).
    std::uint32_t Remainder(std::uint32_t index) const {
        __extension__ using Wide = unsigned __int128;
        const std::uint64_t low = reciprocal_ * index;
        return static_cast<std::uint32_t>((static_cast<Wide>(low) * divisor_) >> 64);
    }

    bool monochrome_ = false;
    int iterations_ = 0;
    std::span<const Pixel> colours_;
    std::uint32_t divisor_ = 1;     // the band period, or the number of colours
    std::uint64_t reciprocal_ = 0;  // 2^64 / divisor_, rounded up
};

// A pixel of the view: column x of row y.
struct PixelPoint {
    int x = 0;
    int y = 0;
};

// Counts points of a view by their pixel position. Shared by every thread of a pass, so a
// counter does not change once made.
class PointCounter {
  public:
    virtual ~PointCounter() = default;
    // Writes the samples of every point that `out` has spans for (the escape-time count to
    // out.counts[k] always); false when an interrupt came first (the samples are then
    // incomplete and dropped).
    virtual bool Sample(std::span<const PixelPoint> points, const SampleSpans& out,
                        const Interrupts& interrupts) const = 0;
    // Only the counts.
    bool Count(std::span<const PixelPoint> points, std::span<int> counts,
               const Interrupts& interrupts) const {
        return Sample(points, {counts, {}, {}, {}}, interrupts);
    }
};

// The plain double-precision orbit of a view: pixel (x, y) is c = x dx + Pstart + i (y dx +
// Qstart), with one step dx = (Pfinish - Pstart) / width for both axes, so pixels are square
// whatever Qfinish holds.
class PlainCounter final : public PointCounter {
  public:
    PlainCounter(const GenerationSnapshot& snapshot, int width, KernelTarget kernel = BestKernel(),
                 bool periodicity = true);
    bool Sample(std::span<const PixelPoint> points, const SampleSpans& out,
                const Interrupts& interrupts) const override;

  private:
    GenerationSnapshot snapshot_;
    double dx_;
    KernelTarget kernel_;
    bool periodicity_;
};

struct PassPosition {
    int x = 0;
    int y = 0;
    bool operator==(const PassPosition&) const = default;
};

// What an earlier pass over the same image computed: the points of its grid before `reached`,
// row by row. Their pixels hold their colours already, so later passes leave them alone.
struct PassReach {
    int block = 0;
    PassPosition reached;
};

// What a pass tells whoever watches it: the percentage of each row as the row becomes the first
// one not yet finished, and as it is finished and stored, where a row's percentage is (y + 1) *
// 100 / height, truncated. Rows are reported from the top, in order, one call at a time, from
// whichever thread of the pass finished them.
class PassObserver {
  public:
    virtual ~PassObserver() = default;
    virtual void RowBegun(int percent) = 0;
    virtual void RowFinished(int percent) = 0;
};

// One pass over an image: from `start` to the image's last row, at block size `block`, each block
// filled with the colour of its top-left point. The image may be a band of a taller view: its row
// 0 is then the view's row `firstRow`, which the counter is given.
struct PassJob {
    const PointCounter* counter = nullptr;
    ColourRule colour = {};
    int block = 1;
    PassPosition start = {};
    std::span<const PassReach> earlier = {};
    // A stop ends the pass; a skip too, when the block size is above 1.
    const std::atomic<bool>* stop = nullptr;
    const std::atomic<bool>* skip = nullptr;
    int firstRow = 0;
    // What is computed of each point, at the least: the image's planes and its shader may ask
    // for more. The image's shader colours the points; without one, `colour` does.
    SampleLevel samples = SampleLevel::Counts;
    // When given, the counts stored are added to it (each thread tallies its own and merges it
    // once, when it leaves the pass).
    CountTally* tally = nullptr;
};

// The threads that compute the passes of one image: the calling thread and `helpers` more, kept
// for the pool's whole life. A pass hands out the rows of its grid a few at a time, so rows of
// very different cost keep every thread busy, and stores each row as a whole under the image's
// lock. A stop or skip reaches every thread within a few thousand iterations of its points.
class RenderPool {
  public:
    // `onStart` runs first on every helper thread (to give it the generation's priority).
    explicit RenderPool(int helpers, std::function<void()> onStart = {});
    ~RenderPool();
    RenderPool(const RenderPool&) = delete;
    RenderPool& operator=(const RenderPool&) = delete;

    // Renders the pass into `image` and reports its rows to `observer`. Returns where the pass
    // ended: past the last row when it completed, otherwise the first point not stored (every
    // point before it, row by row, is stored). A pass resumed from there completes the image as
    // an uninterrupted one would. Block sizes below 1 and empty images return `start` at once.
    PassPosition Run(const PassJob& job, OffscreenImage& image, PassObserver& observer);

  private:
    struct Pass;
    void Serve(const std::function<void()>& onStart);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    Pass* pass_ = nullptr;      // the pass being run, none between passes
    std::uint64_t serial_ = 0;  // counts the passes handed out
    int busy_ = 0;              // helpers still working on the current pass
    bool quit_ = false;
    std::vector<std::thread> helpers_;
};

// What the count rule of an image's passes is made of, its colour table aside.
struct CountRule {
    bool monochrome = false;
    int modulation = 2;
    int iterations = 0;
};

// Makes `shader` the image's colouring for the points still to come (none: the passes' count
// rule), and recolours every pixel computed so far from the samples the image keeps, with the
// shader or with the count rule over the image's colour table. False, with nothing changed,
// when the image keeps no samples or fewer than the shader reads. It may run beside a pass: it
// takes the image's lock a row at a time, and a pass reads the shader under the same lock, so no
// pixel keeps the old colouring; an image replaced meanwhile is left to its own passes.
bool RecolourImage(OffscreenImage& image, const CountRule& rule,
                   std::shared_ptr<const SampleShader> shader);

}  // namespace zolt
