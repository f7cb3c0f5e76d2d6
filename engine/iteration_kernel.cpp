// The escape-time kernel, compiled once per instruction set: Highway's foreach_target.h includes
// this file again for every target, each time inside its own namespace (N_AVX3, N_AVX2, ...) and
// with that target's code-generation attributes, so no translation unit needs -m flags and no
// inline function is compiled twice under one name.

#ifndef ZOLT_ENGINE_ITERATION_KERNEL_ONCE
#define ZOLT_ENGINE_ITERATION_KERNEL_ONCE

#include "engine/iteration_kernel.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include "engine/iterate_point.h"

// Only the targets the table at the end of this file knows. AVX3_DL adds nothing the kernel
// uses over AVX3, and the scalable Arm and RISC-V vectors cannot live in the arrays of vectors
// the interleaving keeps.
#define HWY_DISABLED_TARGETS \
    (HWY_AVX3_DL | HWY_SVE | HWY_SVE2 | HWY_SVE_256 | HWY_SVE2_128 | HWY_RVV)

#endif  // ZOLT_ENGINE_ITERATION_KERNEL_ONCE

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/iteration_kernel.cpp"
#include <hwy/foreach_target.h>  // must come before highway.h
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace zolt {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;
using D = hn::ScalableTag<double>;
using Vec = hn::Vec<D>;

// Vectors in flight. One step of one vector is a chain of three dependent operations per
// coordinate, so several independent vectors are needed to keep the multipliers and adders
// busy; the count is bounded by the registers (16 below AVX-512, 32 with it).
#if HWY_TARGET == HWY_AVX3
constexpr std::size_t kVectors = 4;
#else
constexpr std::size_t kVectors = 3;
#endif
constexpr std::size_t kLanes = hn::MaxLanes(D());
constexpr std::size_t kSlots = kVectors * kLanes;  // points in flight
static_assert(kSlots <= 64, "one bit per slot in a 64-bit word");

// Steps run between two looks at the lanes. Escapes inside a block are recorded per step, so
// counts stay exact; the block only delays a finished lane's refill by fewer than kBlock steps.
constexpr int kBlock = 8;
// Brent's cycle detection saves z at lane counts kFirstSave, 2 kFirstSave, 4 kFirstSave, ...
constexpr double kFirstSave = kBlock;

// The lanes, one slot per point in flight, as arrays so that the vectors load whole and the
// bookkeeping reads single lanes. Steps are counted in doubles (exact far beyond any run) so that
// the saving schedule compares in the same registers as the orbit.
struct Slots {
    HWY_ALIGN double zr[kSlots];
    HWY_ALIGN double zi[kSlots];
    HWY_ALIGN double zr2[kSlots];  // zr * zr, reused by the next step exactly as IteratePoint
    HWY_ALIGN double zi2[kSlots];  // recomputes it
    HWY_ALIGN double cr[kSlots];
    HWY_ALIGN double ci[kSlots];
    HWY_ALIGN double savedZr[kSlots];
    HWY_ALIGN double savedZi[kSlots];
    HWY_ALIGN double saveAt[kSlots];  // global step of the next save
    HWY_ALIGN double start[kSlots];   // global step the point started at; +inf when idle
    std::size_t point[kSlots];
};

// Runs every slot kBlock steps. escaped[k] gets one bit per slot whose orbit passed the escape
// bound at step k of the block. With periodicity, returns the slots whose z at the end of the
// block equals their saved z, then saves z in the slots whose save is due.
template <bool kPeriodicity>
std::uint64_t RunBlock(Slots& s, double escape, double stepAfter, std::uint64_t* escaped) {
    const D d;
    const Vec bound = hn::Set(d, escape);
    const Vec two = hn::Set(d, 2.0);
    Vec zr[kVectors], zi[kVectors], zr2[kVectors], zi2[kVectors];
    for (std::size_t j = 0; j < kVectors; ++j) {
        zr[j] = hn::Load(d, s.zr + j * kLanes);
        zi[j] = hn::Load(d, s.zi + j * kLanes);
        zr2[j] = hn::Load(d, s.zr2 + j * kLanes);
        zi2[j] = hn::Load(d, s.zi2 + j * kLanes);
    }
    for (int k = 0; k < kBlock; ++k) {
        std::uint64_t bits = 0;
        for (std::size_t j = 0; j < kVectors; ++j) {
            const Vec cr = hn::Load(d, s.cr + j * kLanes);
            const Vec ci = hn::Load(d, s.ci + j * kLanes);
            // The operations of IteratePoint, in its order: zi from the old zr, then zr.
            zi[j] = hn::Add(hn::Mul(hn::Mul(zi[j], zr[j]), two), ci);
            zr[j] = hn::Add(hn::Sub(zr2[j], zi2[j]), cr);
            zr2[j] = hn::Mul(zr[j], zr[j]);
            zi2[j] = hn::Mul(zi[j], zi[j]);
            std::uint8_t laneBits[8] = {};
            hn::StoreMaskBits(d, hn::Gt(hn::Add(zr2[j], zi2[j]), bound), laneBits);
            bits |= static_cast<std::uint64_t>(laneBits[0]) << (j * kLanes);
        }
        escaped[k] = bits;
    }
    std::uint64_t cycled = 0;
    for (std::size_t j = 0; j < kVectors; ++j) {
        hn::Store(zr[j], d, s.zr + j * kLanes);
        hn::Store(zi[j], d, s.zi + j * kLanes);
        hn::Store(zr2[j], d, s.zr2 + j * kLanes);
        hn::Store(zi2[j], d, s.zi2 + j * kLanes);
        if constexpr (kPeriodicity) {
            const Vec savedZr = hn::Load(d, s.savedZr + j * kLanes);
            const Vec savedZi = hn::Load(d, s.savedZi + j * kLanes);
            std::uint8_t laneBits[8] = {};
            hn::StoreMaskBits(d, hn::And(hn::Eq(zr[j], savedZr), hn::Eq(zi[j], savedZi)), laneBits);
            cycled |= static_cast<std::uint64_t>(laneBits[0]) << (j * kLanes);
            // Brent: the next save comes when the lane's count has doubled.
            const Vec now = hn::Set(d, stepAfter);
            const Vec saveAt = hn::Load(d, s.saveAt + j * kLanes);
            const auto due = hn::Ge(now, saveAt);
            const Vec start = hn::Load(d, s.start + j * kLanes);
            hn::Store(hn::IfThenElse(due, zr[j], savedZr), d, s.savedZr + j * kLanes);
            hn::Store(hn::IfThenElse(due, zi[j], savedZi), d, s.savedZi + j * kLanes);
            hn::Store(hn::IfThenElse(due, hn::Sub(hn::Add(now, now), start), saveAt), d,
                      s.saveAt + j * kLanes);
        }
    }
    return cycled;
}

template <bool kPeriodicity>
bool IterateAll(const double* cr, const double* ci, int* counts, std::size_t n, int maxIter,
                double escape, const std::atomic<bool>* stop) {
    constexpr double kNever = std::numeric_limits<double>::infinity();
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    // The count of an orbit that reaches the limit: the body of the loop runs at least once.
    const double limit = maxIter < 1 ? 1.0 : static_cast<double>(maxIter);

    Slots s;
    double step = 0;  // steps every slot has run
    std::size_t next = 0;
    std::size_t busy = 0;
    // Starts the next point in slot l, or leaves it idle: NaN never escapes nor compares equal,
    // and an infinite start never reaches the limit.
    const auto refill = [&](std::size_t l) {
        if (next < n) {
            const double x = cr[next];
            const double y = ci[next];
            s.zr[l] = s.cr[l] = s.savedZr[l] = x;
            s.zi[l] = s.ci[l] = s.savedZi[l] = y;
            s.zr2[l] = x * x;
            s.zi2[l] = y * y;
            s.start[l] = step;
            s.saveAt[l] = step + kFirstSave;
            s.point[l] = next++;
            ++busy;
        } else {
            s.zr[l] = s.zi[l] = s.zr2[l] = s.zi2[l] = s.cr[l] = s.ci[l] = kNaN;
            s.savedZr[l] = s.savedZi[l] = kNaN;
            s.start[l] = s.saveAt[l] = kNever;
            s.point[l] = 0;
        }
    };
    for (std::size_t l = 0; l < kSlots; ++l)
        refill(l);

    // A lower bound of the starts of the busy slots: no slot can reach the limit before
    // oldest + limit. It only goes stale downwards, which costs a needless scan.
    double oldest = 0;
    double nextStopCheck = kStopCheckInterval;
    std::uint64_t escaped[kBlock];
    while (busy > 0) {
        const double stepBefore = step;
        step += kBlock;
        std::uint64_t done = RunBlock<kPeriodicity>(s, escape, step, escaped);
        std::uint64_t anyEscaped = 0;
        for (int k = 0; k < kBlock; ++k)
            anyEscaped |= escaped[k];
        done |= anyEscaped;
        const bool limitReached = step - oldest >= limit;
        if (limitReached) {
            for (std::size_t l = 0; l < kSlots; ++l) {
                if (step - s.start[l] >= limit)
                    done |= std::uint64_t{1} << l;
            }
        }
        while (done != 0) {
            const auto l = static_cast<std::size_t>(std::countr_zero(done));
            done &= done - 1;
            double count = limit;  // reached the limit, or cycles and so would
            if ((anyEscaped >> l) & 1) {
                int k = 0;
                while (((escaped[k] >> l) & 1) == 0)
                    ++k;
                // Steps past the limit inside the block do not count: the limit test comes first.
                count = std::min(stepBefore + (k + 1) - s.start[l], limit);
            }
            counts[s.point[l]] = static_cast<int>(count);
            --busy;
            refill(l);
        }
        if (limitReached)
            oldest = *std::min_element(s.start, s.start + kSlots);
        if (step >= nextStopCheck) {
            if (stop != nullptr && stop->load(std::memory_order_relaxed))
                return false;
            nextStopCheck = step + kStopCheckInterval;
        }
    }
    return true;
}

}  // namespace

bool IteratePointsTarget(const double* cr, const double* ci, int* counts, std::size_t n,
                         int maxIter, double escape, bool periodicity,
                         const std::atomic<bool>* stop) {
    return periodicity ? IterateAll<true>(cr, ci, counts, n, maxIter, escape, stop)
                       : IterateAll<false>(cr, ci, counts, n, maxIter, escape, stop);
}

int LanesOfTarget() {
    return static_cast<int>(kLanes);
}

}  // namespace HWY_NAMESPACE
}  // namespace zolt
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace zolt {

namespace {

struct KernelEntry {
    std::int64_t id;  // the Highway target bit
    const char* name;
    decltype(&HWY_STATIC_DISPATCH(IteratePointsTarget)) run;
    decltype(&HWY_STATIC_DISPATCH(LanesOfTarget)) lanes;
};

#define ZOLT_KERNEL_ENTRY(TARGET, NAMESPACE, NAME)                               \
    KernelEntry {                                                                \
        TARGET, NAME, &NAMESPACE::IteratePointsTarget, &NAMESPACE::LanesOfTarget \
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

int KernelTarget::Lanes() const {
    return EntryOf(id_).lanes();
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
                   const IterationLimits& limits, const std::atomic<bool>* stop,
                   KernelTarget target) {
    if (cr.size() != ci.size() || cr.size() != counts.size())
        throw std::invalid_argument("IteratePoints: cr, ci and counts differ in size");
    return EntryOf(KernelTargetAccess::Id(target))
        .run(cr.data(), ci.data(), counts.data(), counts.size(), limits.maxIter, limits.escape,
             limits.periodicity, stop);
}

}  // namespace zolt

#endif  // HWY_ONCE
