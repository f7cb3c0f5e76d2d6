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
// Every target the compiler can reach, the portable one included, whatever -march the build
// uses: without it, a baseline above plain x86-64 (or any Arm build) drops the portable kernel.
#define HWY_COMPILE_ALL_ATTAINABLE
#define HWY_DISABLED_TARGETS \
    (HWY_AVX3_DL | HWY_SVE | HWY_SVE2 | HWY_SVE_256 | HWY_SVE2_128 | HWY_RVV)

namespace zolt::kernel {

// Where the variants that record ends write them; null where not asked for. One type for every
// target, so that all of them share the dispatch table's function type.
struct EndsOut {
    double* zr = nullptr;
    double* zi = nullptr;
    double* dzr = nullptr;
    double* dzi = nullptr;
};

}  // namespace zolt::kernel

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
using kernel::EndsOut;
using D = hn::ScalableTag<double>;
using Vec = hn::Vec<D>;

// What a variant of the kernel records of each orbit besides its count: nothing, its value at
// the escape, or that and its derivative there.
enum Ends { kNoEnds = 0, kValue = 1, kDerivative = 2 };

// Vectors in flight. One step of one vector is a chain of three dependent operations per
// coordinate, so several independent vectors are needed to keep the multipliers and adders
// busy; the count is bounded by the registers (16 below AVX-512, 32 with it), and the
// derivative's two more coordinates take their share.
template <int kEnds>
constexpr std::size_t VectorsFor() {
#if HWY_TARGET == HWY_AVX3
    return kEnds == kDerivative ? 3 : 4;
#else
    return kEnds == kDerivative ? 2 : 3;
#endif
}
constexpr std::size_t kLanes = hn::MaxLanes(D());
constexpr std::size_t kMaxSlots = VectorsFor<kNoEnds>() * kLanes;  // the most points in flight
static_assert(kMaxSlots <= 64, "one bit per slot in a 64-bit word");

// Steps run between two looks at the lanes. Every lane counts its own steps and stops counting
// at its escape, so counts stay exact; the block only delays a finished lane's refill by fewer
// than kBlock steps, which costs far less than leaving the vector loop after every escape.
constexpr int kBlock = 16;
// Brent's cycle detection saves z at lane counts kFirstSave, 2 kFirstSave, 4 kFirstSave, ...
constexpr std::int64_t kFirstSave = kBlock;
// The count of an idle slot: it never reaches any limit.
constexpr std::int64_t kIdleCount = std::numeric_limits<std::int64_t>::min() / 2;

// The lanes, one slot per point in flight, as arrays so that the vectors load whole and the
// bookkeeping reads and writes single lanes.
struct Slots {
    HWY_ALIGN double zr[kMaxSlots];
    HWY_ALIGN double zi[kMaxSlots];
    HWY_ALIGN double zr2[kMaxSlots];  // zr * zr, reused by the next step exactly as IteratePoint
    HWY_ALIGN double zi2[kMaxSlots];  // recomputes it
    HWY_ALIGN double cr[kMaxSlots];
    HWY_ALIGN double ci[kMaxSlots];
    HWY_ALIGN double savedZr[kMaxSlots];
    HWY_ALIGN double savedZi[kMaxSlots];
    HWY_ALIGN std::int64_t count[kMaxSlots];      // steps done, frozen at the escape
    HWY_ALIGN std::int64_t saveAfter[kMaxSlots];  // the next save comes at the count after this
    // Only for the variants that record ends: the value and derivative at the escape (lanes
    // step on after it within a block, so they are caught as the lane escapes), and the
    // derivative as it goes.
    HWY_ALIGN double endZr[kMaxSlots];
    HWY_ALIGN double endZi[kMaxSlots];
    HWY_ALIGN double dzr[kMaxSlots];
    HWY_ALIGN double dzi[kMaxSlots];
    HWY_ALIGN double endDzr[kMaxSlots];
    HWY_ALIGN double endDzi[kMaxSlots];
    std::size_t point[kMaxSlots];
};

struct BlockResult {
    std::uint64_t done = 0;     // slots whose point is finished: escaped, at the limit or cycling
    std::uint64_t escaped = 0;  // of those, the ones that escaped
};

std::uint64_t BitsOf(std::uint64_t word, std::size_t vector) {
    return word << (vector * kLanes);
}

// Runs every slot kBlock steps. All slots are still running when a block starts, since finished
// ones are refilled between blocks.
template <bool kPeriodicity, int kEnds>
BlockResult RunBlock(Slots& s, double escape, std::int64_t limit) {
    constexpr std::size_t kVectors = VectorsFor<kEnds>();
    const D d;
    const hn::RebindToSigned<D> di;
    const Vec bound = hn::Set(d, escape);
    const Vec two = hn::Set(d, 2.0);
    const Vec one = hn::Set(d, 1.0);
    Vec zr[kVectors], zi[kVectors], zr2[kVectors], zi2[kVectors], dzr[kVectors], dzi[kVectors];
    hn::Vec<decltype(di)> count[kVectors];
    hn::Mask<D> running[kVectors];
    for (std::size_t j = 0; j < kVectors; ++j) {
        zr[j] = hn::Load(d, s.zr + j * kLanes);
        zi[j] = hn::Load(d, s.zi + j * kLanes);
        zr2[j] = hn::Load(d, s.zr2 + j * kLanes);
        zi2[j] = hn::Load(d, s.zi2 + j * kLanes);
        count[j] = hn::Load(di, s.count + j * kLanes);
        running[j] = hn::FirstN(d, kLanes);
        if constexpr (kEnds == kDerivative) {
            dzr[j] = hn::Load(d, s.dzr + j * kLanes);
            dzi[j] = hn::Load(d, s.dzi + j * kLanes);
        }
    }
    for (int k = 0; k < kBlock; ++k) {
        for (std::size_t j = 0; j < kVectors; ++j) {
            const Vec cr = hn::Load(d, s.cr + j * kLanes);
            const Vec ci = hn::Load(d, s.ci + j * kLanes);
            if constexpr (kEnds == kDerivative) {
                // dz' = 2 z dz + 1, from the z before this step.
                const Vec r = hn::Add(
                    hn::Mul(hn::Sub(hn::Mul(zr[j], dzr[j]), hn::Mul(zi[j], dzi[j])), two), one);
                dzi[j] = hn::Mul(hn::Add(hn::Mul(zr[j], dzi[j]), hn::Mul(zi[j], dzr[j])), two);
                dzr[j] = r;
            }
            // The operations of IteratePoint, in its order: zi from the old zr, then zr.
            zi[j] = hn::Add(hn::Mul(hn::Mul(zi[j], zr[j]), two), ci);
            zr[j] = hn::Add(hn::Sub(zr2[j], zi2[j]), cr);
            zr2[j] = hn::Mul(zr[j], zr[j]);
            zi2[j] = hn::Mul(zi[j], zi[j]);
            // A running lane counts the step (all ones is -1), then stops running if it escaped.
            count[j] = hn::Sub(count[j], hn::BitCast(di, hn::VecFromMask(d, running[j])));
            const auto escaped = hn::Gt(hn::Add(zr2[j], zi2[j]), bound);
            if constexpr (kEnds != kNoEnds) {
                // Stored from the lanes escaping now, so no register holds them meanwhile.
                const auto now = hn::And(escaped, running[j]);
                hn::BlendedStore(zr[j], now, d, s.endZr + j * kLanes);
                hn::BlendedStore(zi[j], now, d, s.endZi + j * kLanes);
                if constexpr (kEnds == kDerivative) {
                    hn::BlendedStore(dzr[j], now, d, s.endDzr + j * kLanes);
                    hn::BlendedStore(dzi[j], now, d, s.endDzi + j * kLanes);
                }
            }
            running[j] = hn::AndNot(escaped, running[j]);
        }
    }
    BlockResult result;
    const auto beforeLimit = hn::Set(di, limit - 1);  // 64-bit lanes compare only with >
    for (std::size_t j = 0; j < kVectors; ++j) {
        hn::Store(zr[j], d, s.zr + j * kLanes);
        hn::Store(zi[j], d, s.zi + j * kLanes);
        hn::Store(zr2[j], d, s.zr2 + j * kLanes);
        hn::Store(zi2[j], d, s.zi2 + j * kLanes);
        hn::Store(count[j], di, s.count + j * kLanes);
        if constexpr (kEnds == kDerivative) {
            hn::Store(dzr[j], d, s.dzr + j * kLanes);
            hn::Store(dzi[j], d, s.dzi + j * kLanes);
        }
        auto done = hn::Or(hn::Not(running[j]), hn::RebindMask(d, hn::Gt(count[j], beforeLimit)));
        if constexpr (kPeriodicity) {
            const Vec savedZr = hn::Load(d, s.savedZr + j * kLanes);
            const Vec savedZi = hn::Load(d, s.savedZi + j * kLanes);
            done = hn::Or(done, hn::And(hn::Eq(zr[j], savedZr), hn::Eq(zi[j], savedZi)));
            // Brent: the next save comes when the lane's count has doubled.
            const auto saveAfter = hn::Load(di, s.saveAfter + j * kLanes);
            const auto due = hn::Gt(count[j], saveAfter);
            const auto dueD = hn::RebindMask(d, due);
            hn::Store(hn::IfThenElse(dueD, zr[j], savedZr), d, s.savedZr + j * kLanes);
            hn::Store(hn::IfThenElse(dueD, zi[j], savedZi), d, s.savedZi + j * kLanes);
            const auto doubled = hn::Sub(hn::Add(count[j], count[j]), hn::Set(di, 1));
            hn::Store(hn::IfThenElse(due, doubled, saveAfter), di, s.saveAfter + j * kLanes);
        }
        std::uint8_t bits[8] = {};
        hn::StoreMaskBits(d, done, bits);
        result.done |= BitsOf(bits[0], j);
        hn::StoreMaskBits(d, hn::Not(running[j]), bits);
        result.escaped |= BitsOf(bits[0], j);
    }
    return result;
}

template <bool kPeriodicity, int kEnds>
bool IterateAll(const double* cr, const double* ci, int* counts, std::size_t n, int maxIter,
                double escape, const Interrupts& interrupts, const EndsOut& ends) {
    constexpr std::size_t kSlots = VectorsFor<kEnds>() * kLanes;  // points in flight
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    // The count of an orbit that reaches the limit: the body of the loop runs at least once.
    const std::int64_t limit = std::max(maxIter, 1);

    Slots s;
    std::size_t next = 0;
    std::size_t busy = 0;
    // Starts the next point in slot l, or leaves it idle: NaN never escapes nor compares equal.
    const auto refill = [&](std::size_t l) {
        double x = kNaN, y = kNaN;
        std::int64_t count = kIdleCount, saveAfter = 0;
        if (next < n) {
            x = cr[next];
            y = ci[next];
            count = 0;
            saveAfter = kFirstSave - 1;
            s.point[l] = next++;
            ++busy;
        }
        s.zr[l] = s.cr[l] = s.savedZr[l] = x;
        s.zi[l] = s.ci[l] = s.savedZi[l] = y;
        s.zr2[l] = x * x;
        s.zi2[l] = y * y;
        s.count[l] = count;
        s.saveAfter[l] = saveAfter;
        if constexpr (kEnds == kDerivative) {
            s.dzr[l] = 1.0;
            s.dzi[l] = 0.0;
        }
    };
    for (std::size_t l = 0; l < kSlots; ++l)
        refill(l);

    int sinceStopCheck = 0;
    while (busy > 0) {
        const BlockResult block = RunBlock<kPeriodicity, kEnds>(s, escape, limit);
        for (std::uint64_t done = block.done; done != 0; done &= done - 1) {
            const auto l = static_cast<std::size_t>(std::countr_zero(done));
            // Steps past the limit do not count, since the limit test comes first; an orbit
            // that cycles would reach the limit.
            const bool escaped = (block.escaped >> l) & 1;
            const std::size_t point = s.point[l];
            counts[point] = static_cast<int>(escaped ? std::min(s.count[l], limit) : limit);
            if constexpr (kEnds != kNoEnds) {
                ends.zr[point] = s.endZr[l];
                ends.zi[point] = s.endZi[l];
                if constexpr (kEnds == kDerivative) {
                    ends.dzr[point] = s.endDzr[l];
                    ends.dzi[point] = s.endDzi[l];
                }
            }
            --busy;
            refill(l);
        }
        sinceStopCheck += kBlock;
        if (sinceStopCheck >= kStopCheckInterval) {
            if (interrupts.Requested())
                return false;
            sinceStopCheck = 0;
        }
    }
    return true;
}

template <bool kPeriodicity>
bool IterateWithEnds(const double* cr, const double* ci, int* counts, std::size_t n, int maxIter,
                     double escape, const Interrupts& interrupts, const EndsOut& ends) {
    if (ends.zr == nullptr)
        return IterateAll<kPeriodicity, kNoEnds>(cr, ci, counts, n, maxIter, escape, interrupts,
                                                 ends);
    if (ends.dzr == nullptr)
        return IterateAll<kPeriodicity, kValue>(cr, ci, counts, n, maxIter, escape, interrupts,
                                                ends);
    return IterateAll<kPeriodicity, kDerivative>(cr, ci, counts, n, maxIter, escape, interrupts,
                                                 ends);
}

}  // namespace

bool IteratePointsTarget(const double* cr, const double* ci, int* counts, std::size_t n,
                         int maxIter, double escape, bool periodicity, const Interrupts& interrupts,
                         const kernel::EndsOut& ends) {
    return periodicity
               ? IterateWithEnds<true>(cr, ci, counts, n, maxIter, escape, interrupts, ends)
               : IterateWithEnds<false>(cr, ci, counts, n, maxIter, escape, interrupts, ends);
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
};

#define ZOLT_KERNEL_ENTRY(TARGET, NAMESPACE, NAME)    \
    KernelEntry {                                     \
        TARGET, NAME, &NAMESPACE::IteratePointsTarget \
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
        ends.zr.empty() != ends.zi.empty() || ends.dzr.empty() != ends.dzi.empty() ||
        (ends.zr.empty() && !ends.dzr.empty()))
        throw std::invalid_argument("IteratePoints: the orbit ends do not match the points");
    const auto data = [](std::span<double> span) { return span.empty() ? nullptr : span.data(); };
    const kernel::EndsOut out{data(ends.zr), data(ends.zi), data(ends.dzr), data(ends.dzi)};
    return EntryOf(KernelTargetAccess::Id(target))
        .run(cr.data(), ci.data(), counts.data(), n, limits.maxIter, limits.escape,
             limits.periodicity, interrupts, out);
}

}  // namespace zolt

#endif  // HWY_ONCE
