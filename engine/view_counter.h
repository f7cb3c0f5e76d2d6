#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

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
// engine once they do not. A deep view deeper than the deep engine's precision reaches is counted
// in doubles all the same, which then shows the doubles' limit; one the deep engine refuses for
// any other reason (too many iterations, coordinates too long, no width) is not counted at all.
class ViewCounter {
  public:
    enum class Kind {
        Plain,      // doubles resolve the view
        Deep,       // the deep engine counts it
        PastLimit,  // deeper than any engine reaches: counted in doubles all the same
    };
    enum class Status { Ready, Stopped, Refused };

    ViewCounter() = default;
    // The deep counter refers to the reference beside it: a copy would count with another's.
    ViewCounter(const ViewCounter&) = delete;
    ViewCounter& operator=(const ViewCounter&) = delete;

    // Chooses the counter for `numbers` at `width` x `height` and, for a deep view, prepares its
    // reference, looking at `stop` after every step of it and telling `progress` how far it got.
    // A reference stopped here resumes where it stopped when the same view is prepared again,
    // and one finished is reused at once. Refused: Refusal() says why.
    Status Prepare(const GenerationSnapshot& numbers, int width, int height,
                   const std::atomic<bool>* stop = nullptr, const DeepProgress& progress = {});

    // After a Prepare that returned Ready.
    Kind Chosen() const { return kind_; }
    const PointCounter& Counter() const;
    // After a Prepare that returned Refused.
    const std::string& Refusal() const { return refusal_; }
    // The memory a deep view's reference holds.
    std::uint64_t ReferenceBytes() const { return reference_.Bytes(); }
    // Of a deep view: whether the orbit of its centre, the reference, settles into an attracting
    // cycle (DeepReference::ReferenceSettles). None for other views, and where nothing is known.
    // Every pass of a generation asks, of one and the same reference: it is looked at once.
    std::optional<bool> CentreSettles(const std::atomic<bool>* stop = nullptr) const;

  private:
    Kind kind_ = Kind::Plain;
    std::string refusal_;
    DeepReference reference_;
    std::optional<PlainCounter> plain_;
    std::optional<DeepCounter> deep_;
    mutable std::optional<bool> centreSettles_;  // known of the reference prepared
};

// What counting a view at a size takes, known before any of it is computed.
struct CountNeeds {
    ViewCounter::Kind kind = ViewCounter::Kind::Plain;
    std::string refusal;               // why it cannot be counted; empty when it can
    std::uint64_t referenceBytes = 0;  // a deep view: the most memory its reference takes
};

// The choice ViewCounter::Prepare makes for `numbers` at `width` x `height`, and the refusals it
// would meet, without computing anything.
CountNeeds NeedsOf(const GenerationSnapshot& numbers, int width, int height);

}  // namespace zolt
