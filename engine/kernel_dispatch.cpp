// The kernels' public face: which of the compiled kernels this CPU can run, and the checks of
// the arguments before one runs. The kernels themselves are compiled once per instruction set, in
// engine/iteration_kernel.cpp and engine/orbit_tail.cpp.

#include "engine/kernel_targets.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include <hwy/highway.h>  // the targets compiled, as kernel_targets.h chooses them

#include "engine/iteration_kernel.h"
#include "engine/point_samples.h"

namespace zolt {

// The entry points each target's namespace defines.
#define ZOLT_KERNEL_TARGET(NAMESPACE)            \
    namespace NAMESPACE {                        \
    kernel::IterateFunction IteratePointsTarget; \
    kernel::FinishFunction FinishOrbitsTarget;   \
    }
#if HWY_TARGETS & HWY_AVX3
ZOLT_KERNEL_TARGET(N_AVX3)
#endif
#if HWY_TARGETS & HWY_AVX2
ZOLT_KERNEL_TARGET(N_AVX2)
#endif
#if HWY_TARGETS & HWY_SSE4
ZOLT_KERNEL_TARGET(N_SSE4)
#endif
#if HWY_TARGETS & HWY_SSSE3
ZOLT_KERNEL_TARGET(N_SSSE3)
#endif
#if HWY_TARGETS & HWY_NEON
ZOLT_KERNEL_TARGET(N_NEON)
#endif
#if HWY_TARGETS & HWY_EMU128
ZOLT_KERNEL_TARGET(N_EMU128)
#endif
#if HWY_TARGETS & HWY_SCALAR
ZOLT_KERNEL_TARGET(N_SCALAR)
#endif
#undef ZOLT_KERNEL_TARGET

namespace {

struct KernelEntry {
    std::int64_t id;  // the Highway target bit
    const char* name;
    kernel::IterateFunction* run;
    kernel::FinishFunction* finish;
};

#define ZOLT_KERNEL_ENTRY(TARGET, NAMESPACE, NAME)                                    \
    KernelEntry {                                                                     \
        TARGET, NAME, &NAMESPACE::IteratePointsTarget, &NAMESPACE::FinishOrbitsTarget \
    }

// Every compiled target, best first, the portable one last.
constexpr KernelEntry kKernels[] = {
#if HWY_TARGETS & HWY_AVX3
    ZOLT_KERNEL_ENTRY(HWY_AVX3, N_AVX3, "AVX-512"),
#endif
#if HWY_TARGETS & HWY_AVX2
    ZOLT_KERNEL_ENTRY(HWY_AVX2, N_AVX2, "AVX2"),
#endif
#if HWY_TARGETS & HWY_SSE4
    ZOLT_KERNEL_ENTRY(HWY_SSE4, N_SSE4, "SSE4"),
#endif
#if HWY_TARGETS & HWY_SSSE3
    ZOLT_KERNEL_ENTRY(HWY_SSSE3, N_SSSE3, "SSSE3"),
#endif
#if HWY_TARGETS & HWY_NEON
    ZOLT_KERNEL_ENTRY(HWY_NEON, N_NEON, "NEON"),
#endif
#if HWY_TARGETS & HWY_EMU128
    ZOLT_KERNEL_ENTRY(0, N_EMU128, "scalar"),
#endif
#if HWY_TARGETS & HWY_SCALAR
    ZOLT_KERNEL_ENTRY(0, N_SCALAR, "scalar"),
#endif
};

#undef ZOLT_KERNEL_ENTRY

constexpr std::int64_t kTabled =
    HWY_AVX3 | HWY_AVX2 | HWY_SSE4 | HWY_SSSE3 | HWY_NEON | HWY_EMU128 | HWY_SCALAR;
static_assert((HWY_TARGETS & ~kTabled) == 0, "a compiled target is missing from kKernels");
static_assert(kKernels[std::size(kKernels) - 1].id == 0, "the portable kernel comes last");

const KernelEntry& EntryOf(std::int64_t id) {
    for (const KernelEntry& entry : kKernels) {
        if (entry.id == id)
            return entry;
    }
    return kKernels[std::size(kKernels) - 1];
}

}  // namespace

struct KernelTargetAccess {
    static KernelTarget Make(std::int64_t id) { return KernelTarget(id); }
    static std::int64_t Id(KernelTarget target) { return target.id_; }
};

std::string_view KernelTarget::Name() const {
    return EntryOf(id_).name;
}

std::vector<KernelTarget> AvailableKernels() {
    const std::int64_t supported = hwy::SupportedTargets();
    std::vector<KernelTarget> kernels;
    for (const KernelEntry& entry : kKernels) {
        if (entry.id == 0 || (entry.id & supported) != 0)
            kernels.push_back(KernelTargetAccess::Make(entry.id));
    }
    return kernels;
}

KernelTarget BestKernel() {
    static const KernelTarget best = AvailableKernels().front();
    return best;
}

bool IteratePoints(std::span<const double> cr, std::span<const double> ci, std::span<int> counts,
                   const IterationLimits& limits, const Interrupts& interrupts,
                   KernelTarget target) {
    return IteratePoints(cr, ci, counts, limits, interrupts, target, {});
}

bool IteratePoints(std::span<const double> cr, std::span<const double> ci, std::span<int> counts,
                   const IterationLimits& limits, const Interrupts& interrupts, KernelTarget target,
                   const OrbitEnds& ends) {
    const std::size_t n = counts.size();
    const auto fits = [n](std::span<double> span) { return span.empty() || span.size() == n; };
    if (cr.size() != ci.size() || cr.size() != n)
        throw std::invalid_argument("IteratePoints: cr, ci and counts differ in size");
    if (!fits(ends.zr) || !fits(ends.zi) || !fits(ends.dzr) || !fits(ends.dzi) ||
        !(ends.past.empty() || ends.past.size() == n) || ends.zr.empty() != ends.zi.empty() ||
        ends.dzr.empty() != ends.dzi.empty() || (ends.zr.empty() && !ends.dzr.empty()) ||
        (ends.zr.empty() && !ends.past.empty()))
        throw std::invalid_argument("IteratePoints: the orbit ends do not match the points");
    const auto data = [](std::span<double> span) { return span.empty() ? nullptr : span.data(); };
    const kernel::EndsOut out{data(ends.zr), data(ends.zi), data(ends.dzr), data(ends.dzi),
                              ends.past.empty() ? nullptr : ends.past.data()};
    return EntryOf(KernelTargetAccess::Id(target))
        .run(cr.data(), ci.data(), counts.data(), n, limits.maxIter, limits.escape,
             limits.periodicity, interrupts, out);
}

void FinishOrbits(std::span<const double> cr, std::span<const double> ci,
                  std::span<const int> counts, const OrbitEnds& ends, const IterationLimits& limits,
                  double scale, double step, const OrbitSamples& out, KernelTarget target) {
    const std::size_t n = counts.size();
    const bool distance = !ends.dzr.empty();
    const auto fits = [n](std::size_t size) { return size == n; };
    if (!fits(cr.size()) || !fits(ci.size()) || !fits(ends.zr.size()) || !fits(ends.zi.size()) ||
        !fits(out.fraction.size()) || !(ends.past.empty() || fits(ends.past.size())) ||
        (distance && (!fits(ends.dzi.size()) || !fits(out.dex.size()) || !fits(out.dey.size()))))
        throw std::invalid_argument("FinishOrbits: the spans differ in size");
    kernel::FinishArgs args{cr.data(),
                            ci.data(),
                            counts.data(),
                            n,
                            static_cast<double>(std::max(limits.maxIter, 1)),
                            ends.zr.data(),
                            ends.zi.data(),
                            ends.past.empty() ? nullptr : ends.past.data(),
                            distance ? ends.dzr.data() : nullptr,
                            distance ? ends.dzi.data() : nullptr,
                            scale,
                            step,
                            TailLog2LnBound(limits.escape),
                            out.fraction.data(),
                            distance ? out.dex.data() : nullptr,
                            distance ? out.dey.data() : nullptr};
    EntryOf(KernelTargetAccess::Id(target)).finish(args);
}

}  // namespace zolt
