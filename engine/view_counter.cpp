#include "engine/view_counter.h"

namespace zolt {

bool DeepCounter::Sample(std::span<const PixelPoint> points, const SampleSpans& out,
                         const Interrupts& interrupts) const {
    const SampleLevel level = out.Level();
    for (std::size_t k = 0; k < points.size(); ++k) {
        if (interrupts.Requested())
            return false;
        OrbitTail::Samples samples;
        out.counts[k] = DeepSamplePoint(reference_, tail_, points[k].x, points[k].y, level,
                                        interrupts.stop, samples);
        // Every count the engine finishes is at least 1: 0 means it was stopped.
        if (out.counts[k] == 0)
            return false;
        if (level >= SampleLevel::Fraction)
            out.fraction[k] = samples.fraction;
        if (level == SampleLevel::Distance) {
            out.dex[k] = samples.dex;
            out.dey[k] = samples.dey;
        }
    }
    return true;
}

ViewCounter::Status ViewCounter::Prepare(const GenerationSnapshot& numbers, int width, int height,
                                         const std::atomic<bool>* stop,
                                         const DeepProgress& progress) {
    plain_.reset();
    deep_.reset();
    kind_ = Kind::Plain;
    const bool deep = NeedsDeep(numbers, width);
    const auto corners = deep ? ExactCorners(numbers) : std::nullopt;
    if (corners) {
        const DeepView view{corners->Pstart, corners->Pfinish,   corners->Qstart, width,
                            height,          numbers.Iterations, numbers.Escape};
        switch (reference_.Prepare(view, stop, progress)) {
            case DeepStatus::Ready:
                kind_ = Kind::Deep;
                deep_.emplace(reference_);
                return Status::Ready;
            case DeepStatus::Stopped:
                return Status::Stopped;
            case DeepStatus::Refused:
                kind_ = Kind::PastLimit;
                break;
        }
    } else {
        // A reference can hold a gigabyte: it is not kept for a view that has no use for it.
        reference_ = DeepReference();
        if (deep)
            kind_ = Kind::PastLimit;
    }
    plain_.emplace(numbers, width);
    return Status::Ready;
}

const PointCounter& ViewCounter::Counter() const {
    if (deep_)
        return *deep_;
    return *plain_;
}

}  // namespace zolt
