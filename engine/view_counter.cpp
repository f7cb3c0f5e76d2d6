#include "engine/view_counter.h"

#include <vector>

namespace zolt {

bool DeepCounter::Sample(std::span<const PixelPoint> points, const SampleSpans& out,
                         const Interrupts& interrupts) const {
    const SampleLevel level = out.Level();
    const std::size_t n = points.size();
    thread_local std::vector<double> ends;
    ends.resize(level == SampleLevel::Counts ? 0 : 6 * n);
    for (std::size_t k = 0; k < n; ++k) {
        if (interrupts.Requested())
            return false;
        DeepOrbitEnd end;
        out.counts[k] =
            DeepSamplePoint(reference_, points[k].x, points[k].y, level, interrupts.stop, end);
        // Every count the engine finishes is at least 1: 0 means it was stopped.
        if (out.counts[k] == 0)
            return false;
        if (level != SampleLevel::Counts) {
            const double values[] = {end.cr, end.ci, end.zr, end.zi, end.qr, end.qi};
            for (std::size_t v = 0; v < 6; ++v)
                ends[v * n + k] = values[v];
        }
    }
    if (level == SampleLevel::Counts)
        return true;
    const auto plane = [&](std::size_t v) { return std::span<double>(ends).subspan(v * n, n); };
    const bool distance = level == SampleLevel::Distance;
    const OrbitEnds orbitEnds{plane(2),
                              plane(3),
                              distance ? plane(4) : std::span<double>(),
                              distance ? plane(5) : std::span<double>(),
                              {}};
    const DeepView& view = reference_.View();
    // The derivative is in pixels already.
    FinishOrbits(plane(0), plane(1), out.counts, orbitEnds, {view.maxIter, view.escape}, 1.0,
                 reference_.PixelStep(), {out.fraction, out.dex, out.dey});
    return true;
}

namespace {

// The deep engine's view of `numbers`, when doubles do not resolve them and they have corners.
std::optional<DeepView> DeepViewOf(const GenerationSnapshot& numbers, int width, int height,
                                   bool& deep) {
    deep = NeedsDeep(numbers, width);
    const auto corners = deep ? ExactCorners(numbers) : std::nullopt;
    if (!corners)
        return std::nullopt;
    return DeepView{corners->Pstart, corners->Pfinish,   corners->Qstart, width,
                    height,          numbers.Iterations, numbers.Escape};
}

}  // namespace

CountNeeds NeedsOf(const GenerationSnapshot& numbers, int width, int height) {
    CountNeeds needs;
    bool deep = false;
    const auto view = DeepViewOf(numbers, width, height, deep);
    if (!view) {
        needs.kind = deep ? ViewCounter::Kind::PastLimit : ViewCounter::Kind::Plain;
        return needs;
    }
    DeepNeeds engine = AssessDeepView(*view);
    needs.kind = engine.tooDeep ? ViewCounter::Kind::PastLimit : ViewCounter::Kind::Deep;
    if (!engine.tooDeep)
        needs.refusal = std::move(engine.refusal);
    needs.referenceBytes = engine.referenceBytes;
    return needs;
}

std::optional<bool> ViewCounter::CentreSettles(const std::atomic<bool>* stop) const {
    if (kind_ != Kind::Deep)
        return std::nullopt;
    if (!centreSettles_)
        centreSettles_ = reference_.ReferenceSettles(stop);
    return centreSettles_;
}

ViewCounter::Status ViewCounter::Prepare(const GenerationSnapshot& numbers, int width, int height,
                                         const std::atomic<bool>* stop,
                                         const DeepProgress& progress) {
    plain_.reset();
    deep_.reset();
    centreSettles_.reset();
    refusal_.clear();
    const CountNeeds needs = NeedsOf(numbers, width, height);
    kind_ = needs.kind;
    if (kind_ != Kind::Deep || !needs.refusal.empty()) {
        // A reference can hold a gigabyte: it is not kept for a view that has no use for it.
        reference_ = DeepReference();
        if (!needs.refusal.empty()) {
            refusal_ = needs.refusal;
            return Status::Refused;
        }
        plain_.emplace(numbers, width);
        return Status::Ready;
    }
    bool deep = false;
    switch (reference_.Prepare(*DeepViewOf(numbers, width, height, deep), stop, progress)) {
        case DeepStatus::Ready:
            deep_.emplace(reference_);
            return Status::Ready;
        case DeepStatus::Stopped:
            return Status::Stopped;
        case DeepStatus::Refused:
            break;
    }
    // What the checks above do not see: the memory ran out.
    refusal_ = reference_.Error();
    reference_ = DeepReference();
    return Status::Refused;
}

const PointCounter& ViewCounter::Counter() const {
    if (deep_)
        return *deep_;
    return *plain_;
}

}  // namespace zolt
