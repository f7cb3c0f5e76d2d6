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
#include "engine/point_samples.h"

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

// What the finishing of orbits reads and writes, as FinishOrbits has it.
struct FinishArgs {
    const double* cr = nullptr;
    const double* ci = nullptr;
    const int* counts = nullptr;
    std::size_t n = 0;
    double limit = 1.0;  // counts from here on never escaped
    const double* zr = nullptr;
    const double* zi = nullptr;
    const double* dzr = nullptr;  // none: no distances
    const double* dzi = nullptr;
    double scale = 1.0;
    double step = 0.0;
    double log2LnBound = 0.0;  // see TailLog2LnBound
    float* fraction = nullptr;
    float* dex = nullptr;
    float* dey = nullptr;
};

}  // namespace zolt::kernel

#endif  // ZOLT_ENGINE_ITERATION_KERNEL_ONCE

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/iteration_kernel.cpp"
#include <hwy/foreach_target.h>  // must come before highway.h
#include <hwy/highway.h>

#include <hwy/contrib/math/math-inl.h>

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
// busy; the count is bounded by the registers (16 below AVX-512, 32 with it). The variant that
// also carries the derivative measured fastest with as many.
#if HWY_TARGET == HWY_AVX3
constexpr std::size_t kVectors = 4;
#else
constexpr std::size_t kVectors = 3;
#endif
constexpr std::size_t kLanes = hn::MaxLanes(D());
constexpr std::size_t kSlots = kVectors * kLanes;  // points in flight
static_assert(kSlots <= 64, "one bit per slot in a 64-bit word");

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
    HWY_ALIGN double zr[kSlots];
    HWY_ALIGN double zi[kSlots];
    HWY_ALIGN double zr2[kSlots];  // zr * zr, reused by the next step exactly as IteratePoint
    HWY_ALIGN double zi2[kSlots];  // recomputes it
    HWY_ALIGN double cr[kSlots];
    HWY_ALIGN double ci[kSlots];
    HWY_ALIGN double savedZr[kSlots];
    HWY_ALIGN double savedZi[kSlots];
    HWY_ALIGN std::int64_t count[kSlots];      // steps done, frozen at the escape
    HWY_ALIGN std::int64_t saveAfter[kSlots];  // the next save comes at the count after this
    // Only for the variants that record ends. Lanes step on after their escape within a block,
    // so each step's values are kept (plain stores cost less than stores of the escaping lanes
    // alone), and an escaped lane's are looked up by its count: the steps it made in the block.
    HWY_ALIGN double trailZr[kBlock][kSlots];
    HWY_ALIGN double trailZi[kBlock][kSlots];
    HWY_ALIGN double trailDzr[kBlock][kSlots];
    HWY_ALIGN double trailDzi[kBlock][kSlots];
    std::int64_t startCount[kSlots];  // the count at the start of the block
    HWY_ALIGN double dzr[kSlots];     // the derivative as it goes
    HWY_ALIGN double dzi[kSlots];
    std::size_t point[kSlots];
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
            running[j] = hn::AndNot(hn::Gt(hn::Add(zr2[j], zi2[j]), bound), running[j]);
            if constexpr (kEnds != kNoEnds) {
                hn::Store(zr[j], d, s.trailZr[k] + j * kLanes);
                hn::Store(zi[j], d, s.trailZi[k] + j * kLanes);
            }
            if constexpr (kEnds == kDerivative) {
                hn::Store(dzr[j], d, s.trailDzr[k] + j * kLanes);
                hn::Store(dzi[j], d, s.trailDzi[k] + j * kLanes);
            }
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
        if constexpr (kEnds != kNoEnds)
            std::copy(s.count, s.count + kSlots, s.startCount);
        const BlockResult block = RunBlock<kPeriodicity, kEnds>(s, escape, limit);
        for (std::uint64_t done = block.done; done != 0; done &= done - 1) {
            const auto l = static_cast<std::size_t>(std::countr_zero(done));
            // Steps past the limit do not count, since the limit test comes first; an orbit
            // that cycles would reach the limit.
            const bool escaped = (block.escaped >> l) & 1;
            const std::size_t point = s.point[l];
            counts[point] = static_cast<int>(escaped ? std::min(s.count[l], limit) : limit);
            if constexpr (kEnds != kNoEnds) {
                // The step it escaped at, in this block.
                const std::int64_t at = s.count[l] - s.startCount[l] - 1;
                if (escaped && at >= 0 && at < kBlock) {
                    ends.zr[point] = s.trailZr[at][l];
                    ends.zi[point] = s.trailZi[at][l];
                    if constexpr (kEnds == kDerivative) {
                        ends.dzr[point] = s.trailDzr[at][l];
                        ends.dzi[point] = s.trailDzi[at][l];
                    }
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

// The orbits of one vector of points, from their ends to their samples.
struct Finisher {
    const D d;
    const hn::Rebind<float, D> df;
    const hn::Rebind<std::int32_t, D> d32;
    const hn::Rebind<std::int64_t, D> d64;
    const kernel::FinishArgs& a;

    static constexpr std::size_t kMax = hn::MaxLanes(D());

    // The points from k on, a whole vector of them.
    void Run(std::size_t k) const {
        const bool distance = a.dzr != nullptr;
        const Vec zero = hn::Zero(d);
        Finish(hn::LoadU(d, a.cr + k), hn::LoadU(d, a.ci + k), hn::LoadU(d, a.zr + k),
               hn::LoadU(d, a.zi + k), distance ? hn::LoadU(d, a.dzr + k) : zero,
               distance ? hn::LoadU(d, a.dzi + k) : zero, hn::LoadU(d32, a.counts + k),
               a.fraction + k, a.dex + (distance ? k : 0), a.dey + (distance ? k : 0));
    }

    // The last points, fewer than a vector: copied into one, padded with points that never
    // escaped.
    void RunLast(std::size_t k) const {
        const std::size_t valid = a.n - k;
        HWY_ALIGN double in[6][kMax] = {};
        HWY_ALIGN std::int32_t count[kMax];
        std::fill(count, count + kMax, std::numeric_limits<std::int32_t>::max());
        const double* from[6] = {a.cr, a.ci, a.zr, a.zi, a.dzr, a.dzi};
        for (std::size_t v = 0; v < 6; ++v) {
            if (from[v] != nullptr)
                std::copy(from[v] + k, from[v] + a.n, in[v]);
        }
        std::copy(a.counts + k, a.counts + a.n, count);
        HWY_ALIGN float out[3][kMax];
        Finish(hn::Load(d, in[0]), hn::Load(d, in[1]), hn::Load(d, in[2]), hn::Load(d, in[3]),
               hn::Load(d, in[4]), hn::Load(d, in[5]), hn::Load(d32, count), out[0], out[1],
               out[2]);
        std::copy(out[0], out[0] + valid, a.fraction + k);
        if (a.dzr != nullptr) {
            std::copy(out[1], out[1] + valid, a.dex + k);
            std::copy(out[2], out[2] + valid, a.dey + k);
        }
    }

    void Finish(const Vec cr, const Vec ci, Vec zr, Vec zi, const Vec dzr, const Vec dzi,
                const hn::Vec<decltype(d32)> counts, float* fractionOut, float* dexOut,
                float* deyOut) const {
        const bool distance = a.dzr != nullptr;
        const Vec scale = hn::Set(d, a.scale);
        Vec qr = hn::Mul(dzr, scale);
        Vec qi = hn::Mul(dzi, scale);
        const Vec one = hn::Set(d, 1.0);
        const Vec two = hn::Set(d, 2.0);
        const Vec step = hn::Set(d, a.step);
        const Vec far = hn::Set(d, kTailFarNorm);
        const auto escaped =
            hn::Lt(hn::ConvertTo(d, hn::PromoteTo(d64, counts)), hn::Set(d, a.limit));
        if (hn::AllFalse(d, escaped)) {
            // Inside the set, as many are: nothing to follow.
            const auto none = hn::Zero(df);
            hn::StoreU(none, df, fractionOut);
            if (distance) {
                hn::StoreU(none, df, dexOut);
                hn::StoreU(none, df, deyOut);
            }
            return;
        }
        Vec norm = hn::Add(hn::Mul(zr, zr), hn::Mul(zi, zi));
        auto going = hn::AndNot(hn::Gt(norm, far), escaped);
        Vec steps = hn::Zero(d);
        for (int k = 0; k < kMaxTailSteps && !hn::AllFalse(d, going); ++k) {
            if (distance) {
                // dz' = 2 z dz + 1, in pixels.
                const Vec r =
                    hn::Add(hn::Mul(hn::Sub(hn::Mul(zr, qr), hn::Mul(zi, qi)), two), step);
                qi = hn::IfThenElse(going, hn::Mul(hn::Add(hn::Mul(zr, qi), hn::Mul(zi, qr)), two),
                                    qi);
                qr = hn::IfThenElse(going, r, qr);
            }
            const Vec r = hn::Add(hn::Sub(hn::Mul(zr, zr), hn::Mul(zi, zi)), cr);
            zi = hn::IfThenElse(going, hn::Add(hn::Mul(hn::Mul(zr, zi), two), ci), zi);
            zr = hn::IfThenElse(going, r, zr);
            steps = hn::Add(steps, hn::IfThenElseZero(going, one));
            norm = hn::Add(hn::Mul(zr, zr), hn::Mul(zi, zi));
            going = hn::AndNot(hn::Gt(norm, far), going);
        }
        // ln|z|, also where |z|^2 is past the doubles.
        Vec lnModulus = hn::Mul(hn::Log(d, norm), hn::Set(d, 0.5));
        const auto huge = hn::IsInf(norm);
        if (!hn::AllFalse(d, huge)) {
            const Vec big = hn::Max(hn::Abs(zr), hn::Abs(zi));
            const Vec ratio = hn::Div(hn::Min(hn::Abs(zr), hn::Abs(zi)), big);
            const Vec scaled = hn::Add(
                hn::Log(d, big), hn::Mul(hn::Log1p(d, hn::Mul(ratio, ratio)), hn::Set(d, 0.5)));
            lnModulus = hn::IfThenElse(huge, scaled, lnModulus);
        }
        // A bound below 4 lets out orbits that never go anywhere.
        const auto valid =
            hn::And(escaped, hn::And(hn::Gt(norm, hn::Set(d, 4.0)), hn::IsFinite(lnModulus)));
        const Vec fraction =
            hn::Add(hn::Sub(steps, hn::Log2(d, lnModulus)), hn::Set(d, a.log2LnBound));
        hn::StoreU(hn::DemoteTo(df, hn::IfThenElseZero(valid, fraction)), df, fractionOut);
        if (!distance)
            return;
        // z ln|z| / q: its length is the distance, it points away from the set.
        const Vec q2 = hn::Add(hn::Mul(qr, qr), hn::Mul(qi, qi));
        const Vec each = hn::Div(lnModulus, q2);
        const Vec limit = hn::Set(d, kMaxSampleDistance);
        const auto along = [&](Vec v) {
            // No derivative at all: as far as can be; one past the doubles: on the boundary.
            v = hn::IfThenElse(hn::Eq(q2, hn::Zero(d)), limit, hn::Mul(v, each));
            v = hn::IfThenZeroElse(hn::Or(hn::IsNaN(v), hn::IsInf(q2)), v);
            return hn::IfThenElseZero(valid, hn::Min(hn::Max(v, hn::Neg(limit)), limit));
        };
        const Vec ex = along(hn::Add(hn::Mul(zr, qr), hn::Mul(zi, qi)));
        const Vec ey = along(hn::Sub(hn::Mul(zi, qr), hn::Mul(zr, qi)));
        hn::StoreU(hn::DemoteTo(df, ex), df, dexOut);
        hn::StoreU(hn::DemoteTo(df, ey), df, deyOut);
    }
};

void FinishOrbitsTarget(const kernel::FinishArgs& args) {
    const Finisher finisher{D(), {}, {}, {}, args};
    const std::size_t lanes = hn::Lanes(D());
    std::size_t k = 0;
    for (; k + lanes <= args.n; k += lanes)
        finisher.Run(k);
    if (k < args.n)
        finisher.RunLast(k);
}

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
    decltype(&HWY_STATIC_DISPATCH(FinishOrbitsTarget)) finish;
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
        ends.zr.empty() != ends.zi.empty() || ends.dzr.empty() != ends.dzi.empty() ||
        (ends.zr.empty() && !ends.dzr.empty()))
        throw std::invalid_argument("IteratePoints: the orbit ends do not match the points");
    const auto data = [](std::span<double> span) { return span.empty() ? nullptr : span.data(); };
    const kernel::EndsOut out{data(ends.zr), data(ends.zi), data(ends.dzr), data(ends.dzi)};
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
        !fits(out.fraction.size()) ||
        (distance && (!fits(ends.dzi.size()) || !fits(out.dex.size()) || !fits(out.dey.size()))))
        throw std::invalid_argument("FinishOrbits: the spans differ in size");
    kernel::FinishArgs args{cr.data(),
                            ci.data(),
                            counts.data(),
                            n,
                            static_cast<double>(std::max(limits.maxIter, 1)),
                            ends.zr.data(),
                            ends.zi.data(),
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

#endif  // HWY_ONCE
