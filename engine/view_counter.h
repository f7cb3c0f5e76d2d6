#pragma once

#include <atomic>
#include <optional>
#include <span>

#include "engine/deep_engine.h"
#include "engine/render_pass.h"

namespace zolt {

// The points of a deep view, counted by the deep engine around its prepared reference. Stops
// and skips are seen between pixels, and a stop within a pixel too.
class DeepCounter final : public PointCounter {
  public:
    explicit DeepCounter(const DeepReference& reference) : reference_(reference) {}
    bool Sample(std::span<const PixelPoint> points, const SampleSpans& out,
                const Interrupts& interrupts) const override;

  private:
    const DeepReference& reference_;
};

// How a view's points are counted: the plain loop while doubles resolve its pixels, the deep
// engine once they do not. A deep view whose reference the engine refuses (too many iterations,
// too deep) falls back to the plain loop, which then shows the doubles' limit.
class ViewCounter {
  public:
    enum class Kind {
        Plain,      // doubles resolve the view
        Deep,       // the deep engine counts it
        PastLimit,  // deep, but past the deep engine's limits: counted in doubles all the same
    };
    enum class Status { Ready, Stopped };

    ViewCounter() = default;
    // The deep counter refers to the reference beside it: a copy would count with another's.
    ViewCounter(const ViewCounter&) = delete;
    ViewCounter& operator=(const ViewCounter&) = delete;

    // Chooses the counter for `numbers` at `width` x `height` and, for a deep view, prepares its
    // reference, looking at `stop` after every step of it and telling `progress` how far it got.
    // A reference stopped here resumes where it stopped when the same view is prepared again,
    // and one finished is reused at once.
    Status Prepare(const GenerationSnapshot& numbers, int width, int height,
                   const std::atomic<bool>* stop = nullptr, const DeepProgress& progress = {});

    // After a Prepare that returned Ready.
    Kind Chosen() const { return kind_; }
    const PointCounter& Counter() const;

  private:
    Kind kind_ = Kind::Plain;
    DeepReference reference_;
    std::optional<PlainCounter> plain_;
    std::optional<DeepCounter> deep_;
};

}  // namespace zolt
