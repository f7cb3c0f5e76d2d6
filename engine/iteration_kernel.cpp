// The escape-time kernel, compiled once per instruction set: Highway's foreach_target.h includes
// this file again for every target, each time inside its own namespace (N_AVX3, N_AVX2, ...) and
// with that target's code-generation attributes, so no translation unit needs -m flags and no
// inline function is compiled twice under one name.

#ifndef ZOLT_ENGINE_ITERATION_KERNEL_ONCE
#define ZOLT_ENGINE_ITERATION_KERNEL_ONCE

#include "engine/kernel_targets.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "engine/iterate_point.h"
#include "engine/iteration_kernel.h"
#include "engine/point_samples.h"

namespace zolt::kernel {

// From this escape bound on, an orbit that has escaped keeps growing: with |z|^2 > B >= 5 and
// |c| <= |z|, |z^2 + c| >= |z| (|z| - 1) > 1.2 |z|, far beyond what rounding can undo, and a
// |c| above the bound's root starts the orbit growing by as much. Past the escape every step's
// squared modulus then stays above the bound (or becomes infinite, then NaN), so the steps before
// the escape are simply those whose modulus is within it, which costs a step less work than
// remembering which lanes have escaped. Smaller bounds, and infinite or NaN ones, take the slower
// way.
inline bool EscapesForGood(double escape) {
    return escape >= 5.0 && escape <= std::numeric_limits<double>::max();
}

}  // namespace zolt::kernel

#endif  // ZOLT_ENGINE_ITERATION_KERNEL_ONCE

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/iteration_kernel.cpp"
#include <hwy/foreach_target.h>  // must come before highway.h
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace zolt {
namespace HWY_NAMESPACE {

// In engine/orbit_tail.cpp.
void FinishOrbitsTarget(const kernel::FinishArgs& args);
void LeaveVectorUnit();

namespace {

namespace hn = hwy::HWY_NAMESPACE;
using kernel::EndsOut;
using D = hn::ScalableTag<double>;
using DI = hn::RebindToSigned<D>;
using Vec = hn::Vec<D>;
using VecI = hn::Vec<DI>;
using Mask = hn::Mask<D>;

// What a variant of the kernel records of each orbit besides its count, as bits: its value, its
// derivative too, and whether they are taken at the first checkpoint from the escape on
// (OrbitEnds::past) rather than at the escape itself.
enum Ends { kNoEnds = 0, kValue = 1, kDerivative = 2 | kValue, kCheckpoints = 4 };
constexpr bool HasDerivative(int ends) {
    return (ends & kDerivative) == kDerivative;
}
constexpr bool AtCheckpoints(int ends) {
    return (ends & kCheckpoints) != 0;
}

// The variants that record ends at checkpoints keep z (and dz) after every kCheckpointEvery-th
// step of a block, a quarter of the stores of keeping every step's, and an escaped orbit's ends
// lie at most kCheckpointEvery - 1 steps past its escape.
constexpr int kCheckpointEvery = 4;
// Whether a variant keeps the values after step k of a block.
constexpr bool KeepsStep(int ends, int k) {
    return ends != kNoEnds &&
           (!AtCheckpoints(ends) || k % kCheckpointEvery == kCheckpointEvery - 1);
}

// Vectors in flight. One step of one vector is a chain of three dependent operations per
// coordinate, some nine cycles, while the multipliers and adders can start a vector's step about
// every three: several independent vectors keep them busy. Where the bound grows, a step carries
// only z, so eight vectors nearly fit in the 16 registers below AVX-512, and measured fastest
// with 32 too (see the README's performance section). The variant that also carries the
// derivative has four vectors more to keep per vector, and is fastest with fewer.
constexpr std::size_t kVectors = 8;
constexpr std::size_t VectorsFor(int ends) {
    if (!HasDerivative(ends))
        return kVectors;
    return HWY_TARGET == HWY_AVX3 ? 4 : 3;
}
constexpr std::size_t kLanes = hn::MaxLanes(D());
constexpr std::size_t kSlots = kVectors * kLanes;  // points in flight
static_assert(kSlots <= 64, "one bit per slot in a 64-bit word");

// Steps run between two looks at the lanes. A lane's escape step is found after the block
// (counted as it goes where the bound is small, looked up in the norms where it grows), so counts
// stay exact; the block only delays a finished lane's refill. Twelve steps balance those wasted
// after the escapes of short orbits against the look at the lanes.
constexpr int kBlock = 12;
// Brent's cycle detection saves z at lane counts kFirstSave, 2 kFirstSave, 4 kFirstSave, ...
constexpr std::int64_t kFirstSave = kBlock;
static_assert(kBlock % kCheckpointEvery == 0 && std::has_single_bit(unsigned{kCheckpointEvery}),
              "a block ends on a checkpoint, found by setting the low bits of a step");

// The lanes, one slot per point in flight, as arrays so that the vectors load whole and the
// bookkeeping reads and writes single lanes.
struct Slots {
    HWY_ALIGN double zr[kSlots];
    HWY_ALIGN double zi[kSlots];
    HWY_ALIGN double cr[kSlots];
    HWY_ALIGN double ci[kSlots];
    HWY_ALIGN double savedZr[kSlots];
    HWY_ALIGN double savedZi[kSlots];
    HWY_ALIGN std::int64_t count[kSlots];      // steps done, the escape's included
    HWY_ALIGN std::int64_t saveAfter[kSlots];  // the next save comes at the count after this
    // Only for the variants that keep trails. Lanes step on after their escape within a block,
    // so each step's values are kept (plain stores cost less than stores of the escaping lanes
    // alone), and an escaped lane's are looked up by the steps it made in the block.
    HWY_ALIGN double trailZr[kBlock][kSlots];
    HWY_ALIGN double trailZi[kBlock][kSlots];
    HWY_ALIGN double trailDzr[kBlock][kSlots];
    HWY_ALIGN double trailDzi[kBlock][kSlots];
    // Where the bound is one that grows, the norm of z before every step of the block.
    HWY_ALIGN double trailNorm[kBlock][kSlots];
    // The steps made in the block up to the escape, the escape's included, of the lanes that
    // escaped in it.
    HWY_ALIGN std::int64_t steps[kSlots] = {};
    HWY_ALIGN double dzr[kSlots];  // the derivative as it goes
    HWY_ALIGN double dzi[kSlots];
    std::size_t point[kSlots];
};

struct BlockResult {
    std::uint64_t done = 0;     // slots whose point is finished: escaped, at the limit or cycling
    std::uint64_t escaped = 0;  // of those, the ones that escaped
};

std::uint64_t BitsOf(Mask m, std::size_t vector) {
    std::uint8_t bits[8] = {};
    hn::StoreMaskBits(D(), m, bits);
    return std::uint64_t{bits[0]} << (vector * kLanes);
}

// A step has five additions (the doubling of zr zi made one, as the compiler makes it) against
// three multiplications, and the adders limit it where nothing else does. A multiplication by
// two gives the same bits, so with AVX-512, whose 32 registers hold the constant beside eight
// vectors, the doubling goes to the multipliers: the compiler must not know the constant's
// value, or it turns the multiplication back into an addition. Below AVX-512 the register the
// constant takes costs more than it saves.
Vec Opaque(Vec v) {
#if HWY_TARGET == HWY_AVX3
    asm("" : "+v"(v.raw));
#endif
    return v;
}

// count + 1 where m holds.
VecI CountWhere(Mask m, VecI count) {
#if HWY_TARGET == HWY_AVX3
    // One masked subtraction, rather than a mask turned into a vector and subtracted.
    return VecI{_mm512_mask_sub_epi64(count.raw, m.raw, count.raw, _mm512_set1_epi64(-1))};
#else
    return hn::Sub(count, hn::BitCast(DI(), hn::VecFromMask(D(), m)));
#endif
}

// Runs every slot kBlock steps. All slots are still running when a block starts, since finished
// ones are refilled between blocks. kGrows: the bound is one that EscapesForGood admits.
template <bool kPeriodicity, int kEnds, bool kGrows>
BlockResult RunBlock(Slots& s, const Vec bound, std::int64_t limit) {
    const D d;
    const DI di;
    const Vec two = Opaque(hn::Set(d, 2.0));
    const Vec one = hn::Set(d, 1.0);
    constexpr std::size_t kUsed = VectorsFor(kEnds);
    Vec zr[kVectors], zi[kVectors], zr2[kVectors], zi2[kVectors], dzr[kVectors], dzi[kVectors];
    VecI steps[kVectors];  // made in this block, when the bound is not one that grows
    Mask running[kVectors];
    // Every loop over the vectors is unrolled, so that the arrays above become registers rather
    // than memory each step loads and stores (a tenth to a fifth of the time of a pass).
#pragma GCC unroll 8
    for (std::size_t j = 0; j < kUsed; ++j) {
        zr[j] = hn::Load(d, s.zr + j * kLanes);
        zi[j] = hn::Load(d, s.zi + j * kLanes);
        if constexpr (!kGrows) {
            zr2[j] = hn::Mul(zr[j], zr[j]);
            zi2[j] = hn::Mul(zi[j], zi[j]);
            steps[j] = hn::Zero(di);
            running[j] = hn::FirstN(d, kLanes);
        }
        if constexpr (HasDerivative(kEnds)) {
            dzr[j] = hn::Load(d, s.dzr + j * kLanes);
            dzi[j] = hn::Load(d, s.dzi + j * kLanes);
        }
    }
    for (int k = 0; k < kBlock; ++k) {
#pragma GCC unroll 8
        for (std::size_t j = 0; j < kUsed; ++j) {
            const Vec cr = hn::Load(d, s.cr + j * kLanes);
            const Vec ci = hn::Load(d, s.ci + j * kLanes);
            if constexpr (HasDerivative(kEnds)) {
                // dz' = 2 z dz + 1, from the z before this step.
                const Vec r = hn::Add(
                    hn::Mul(hn::Sub(hn::Mul(zr[j], dzr[j]), hn::Mul(zi[j], dzi[j])), two), one);
                dzi[j] = hn::Mul(hn::Add(hn::Mul(zr[j], dzi[j]), hn::Mul(zi[j], dzr[j])), two);
                dzr[j] = r;
            }
            if constexpr (kGrows) {
                // Only z goes from step to step, which leaves registers for more vectors: its
                // squares, made here, also give the norm of the step before, kept for the
                // lookup of the escape after the block.
                const Vec zr2 = hn::Mul(zr[j], zr[j]);
                const Vec zi2 = hn::Mul(zi[j], zi[j]);
                hn::Store(hn::Add(zr2, zi2), d, s.trailNorm[k] + j * kLanes);
                zi[j] = hn::Add(hn::Mul(hn::Mul(zi[j], zr[j]), two), ci);
                zr[j] = hn::Add(hn::Sub(zr2, zi2), cr);
            } else {
                // The operations of IteratePoint, in its order: zi from the old zr, then zr.
                zi[j] = hn::Add(hn::Mul(hn::Mul(zi[j], zr[j]), two), ci);
                zr[j] = hn::Add(hn::Sub(zr2[j], zi2[j]), cr);
                zr2[j] = hn::Mul(zr[j], zr[j]);
                zi2[j] = hn::Mul(zi[j], zi[j]);
                // A running lane counts the step, then stops running if it escaped.
                steps[j] = CountWhere(running[j], steps[j]);
                running[j] = hn::AndNot(hn::Gt(hn::Add(zr2[j], zi2[j]), bound), running[j]);
            }
        }
        // Apart from the step loop, whose vectors the compiler then keeps in registers.
        if (KeepsStep(kEnds, k)) {
#pragma GCC unroll 8
            for (std::size_t j = 0; j < kUsed; ++j) {
                hn::Store(zr[j], d, s.trailZr[k] + j * kLanes);
                hn::Store(zi[j], d, s.trailZi[k] + j * kLanes);
                if constexpr (HasDerivative(kEnds)) {
                    hn::Store(dzr[j], d, s.trailDzr[k] + j * kLanes);
                    hn::Store(dzi[j], d, s.trailDzi[k] + j * kLanes);
                }
            }
        }
    }
    BlockResult result;
    const auto beforeLimit = hn::Set(di, limit - 1);  // 64-bit lanes compare only with >
#pragma GCC unroll 8
    for (std::size_t j = 0; j < kUsed; ++j) {
        hn::Store(zr[j], d, s.zr + j * kLanes);
        hn::Store(zi[j], d, s.zi + j * kLanes);
        if constexpr (HasDerivative(kEnds)) {
            hn::Store(dzr[j], d, s.dzr + j * kLanes);
            hn::Store(dzi[j], d, s.dzi + j * kLanes);
        }
        Mask escaped;
        if constexpr (!kGrows) {
            escaped = hn::Not(running[j]);
        } else {
            // Past its escape an orbit stays out (EscapesForGood): a lane escaped in the block
            // when its last norm is out. Lanes count the whole block until their steps are
            // looked up.
            const Vec norm = hn::Add(hn::Mul(zr[j], zr[j]), hn::Mul(zi[j], zi[j]));
            escaped = hn::Not(hn::Ge(bound, norm));
            steps[j] = hn::Set(di, kBlock);
        }
        const VecI count = hn::Add(hn::Load(di, s.count + j * kLanes), steps[j]);
        hn::Store(count, di, s.count + j * kLanes);
        if constexpr (!kGrows && kEnds != kNoEnds)
            hn::Store(steps[j], di, s.steps + j * kLanes);  // up to the escape
        auto done = hn::Or(escaped, hn::RebindMask(d, hn::Gt(count, beforeLimit)));
        if constexpr (kPeriodicity) {
            const Vec savedZr = hn::Load(d, s.savedZr + j * kLanes);
            const Vec savedZi = hn::Load(d, s.savedZi + j * kLanes);
            done = hn::Or(done, hn::And(hn::Eq(zr[j], savedZr), hn::Eq(zi[j], savedZi)));
            // Brent: the next save comes when the lane's count has doubled.
            const auto saveAfter = hn::Load(di, s.saveAfter + j * kLanes);
            const auto due = hn::Gt(count, saveAfter);
            const auto dueD = hn::RebindMask(d, due);
            hn::Store(hn::IfThenElse(dueD, zr[j], savedZr), d, s.savedZr + j * kLanes);
            hn::Store(hn::IfThenElse(dueD, zi[j], savedZi), d, s.savedZi + j * kLanes);
            const auto doubled = hn::Sub(hn::Add(count, count), hn::Set(di, 1));
            hn::Store(hn::IfThenElse(due, doubled, saveAfter), di, s.saveAfter + j * kLanes);
        }
        result.done |= BitsOf(done, j);
        result.escaped |= BitsOf(escaped, j);
    }
    return result;
}

// The steps the lanes of vector j made in the block up to their escape, the escape's included,
// for lanes that escaped in it under a bound that grows: one more than their norms within the
// bound, which all come before the escape (EscapesForGood).
void LookUpEscapes(Slots& s, std::size_t j, const Vec bound) {
    const D d;
    VecI upTo = hn::Set(DI(), 1);
    for (int k = 1; k < kBlock; ++k)
        upTo = CountWhere(hn::Ge(bound, hn::Load(d, s.trailNorm[k] + j * kLanes)), upTo);
    hn::Store(upTo, DI(), s.steps + j * kLanes);
}

// With AVX-512, the finished lanes of a vector store their counts and take the next points
// all at once: a scatter, and loads that expand consecutive points into the lanes a mask picks.
// The variants that record ends at checkpoints copy those first, lane by lane (scatters of
// them measured slower); the ones that keep every step's values refill lane by lane.
constexpr bool kVectorRefill = HWY_TARGET == HWY_AVX3;

template <bool kPeriodicity, bool kDerivative, bool kGrows>
void RefillVectors([[maybe_unused]] Slots& s, [[maybe_unused]] const BlockResult& block,
                   [[maybe_unused]] std::uint64_t& live, [[maybe_unused]] std::size_t& next,
                   [[maybe_unused]] const double* cr, [[maybe_unused]] const double* ci,
                   [[maybe_unused]] int* counts, [[maybe_unused]] std::size_t n,
                   [[maybe_unused]] std::int64_t limit) {
#if HWY_TARGET == HWY_AVX3
    static_assert(kLanes == 8);
    const __m512i limits = _mm512_set1_epi64(limit);
    const __m512i zero = _mm512_setzero_si512();
    for (std::size_t j = 0; j < kVectors; ++j) {
        const std::size_t at = j * kLanes;
        const auto done = static_cast<__mmask8>((block.done & live) >> at);
        if (done == 0)
            continue;
        const auto escaped =
            static_cast<__mmask8>(static_cast<__mmask8>(block.escaped >> at) & done);
        __m512i count = _mm512_load_si512(s.count + at);
        if constexpr (kGrows) {
            const __m512i past =
                _mm512_sub_epi64(_mm512_load_si512(s.steps + at), _mm512_set1_epi64(kBlock));
            count = _mm512_mask_add_epi64(count, escaped, count, past);
        }
        // Steps past the limit do not count, since the limit test comes first; an orbit that
        // cycles would reach the limit.
        count = _mm512_mask_min_epi64(limits, escaped, count, limits);
        _mm512_mask_i64scatter_epi32(counts, done, _mm512_loadu_si512(s.point + at),
                                     _mm512_cvtepi64_epi32(count), 4);
        // The next points go to the finished lanes in order; past the last, lanes idle at c = 0.
        auto fill = done;
        const std::size_t left = n - next;
        if (static_cast<std::size_t>(std::popcount(unsigned{done})) > left)
            fill = static_cast<__mmask8>(_pdep_u32((1u << left) - 1, done));
        const __m512d x = _mm512_maskz_expandloadu_pd(fill, cr + next);
        const __m512d y = _mm512_maskz_expandloadu_pd(fill, ci + next);
        const __m512i order = _mm512_set_epi64(7, 6, 5, 4, 3, 2, 1, 0);
        const __m512i points =
            _mm512_add_epi64(order, _mm512_set1_epi64(static_cast<long long>(next)));
        _mm512_mask_storeu_epi64(s.point + at, fill, _mm512_maskz_expand_epi64(fill, points));
        _mm512_mask_store_pd(s.zr + at, done, x);
        _mm512_mask_store_pd(s.cr + at, done, x);
        _mm512_mask_store_pd(s.zi + at, done, y);
        _mm512_mask_store_pd(s.ci + at, done, y);
        _mm512_mask_store_epi64(s.count + at, done, zero);
        if constexpr (kDerivative) {
            _mm512_mask_store_pd(s.dzr + at, done, _mm512_set1_pd(1.0));
            _mm512_mask_store_pd(s.dzi + at, done, _mm512_setzero_pd());
        }
        if constexpr (kPeriodicity) {
            _mm512_mask_store_pd(s.savedZr + at, done, x);
            _mm512_mask_store_pd(s.savedZi + at, done, y);
            _mm512_mask_store_epi64(s.saveAfter + at, done, _mm512_set1_epi64(kFirstSave - 1));
        }
        live &= ~(std::uint64_t{static_cast<std::uint8_t>(done & ~fill)} << at);
        next += static_cast<std::size_t>(std::popcount(unsigned{fill}));
    }
#endif
}

// Writes the ends of slot l's point, which escaped after `steps` steps of the block.
template <int kEnds>
void CopyEnds(const Slots& s, std::size_t l, std::int64_t steps, const EndsOut& ends) {
    // The step it escaped at, in this block, and the one whose ends are kept.
    const std::int64_t at = steps - 1;
    const std::int64_t kept = AtCheckpoints(kEnds) ? at | (kCheckpointEvery - 1) : at;
    const std::size_t point = s.point[l];
    ends.zr[point] = s.trailZr[kept][l];
    ends.zi[point] = s.trailZi[kept][l];
    if constexpr (HasDerivative(kEnds)) {
        ends.dzr[point] = s.trailDzr[kept][l];
        ends.dzi[point] = s.trailDzi[kept][l];
    }
    if (ends.past != nullptr)
        ends.past[point] = static_cast<std::int32_t>(kept - at);
}

template <bool kPeriodicity, int kEnds, bool kGrows>
bool IterateAll(const double* cr, const double* ci, int* counts, std::size_t n, int maxIter,
                double escape, const Interrupts& interrupts, const EndsOut& ends) {
    // The count of an orbit that reaches the limit: the body of the loop runs at least once.
    const std::int64_t limit = std::max(maxIter, 1);
    const Vec bound = hn::Set(D(), escape);

    Slots s;
    std::size_t next = 0;
    std::uint64_t live = 0;  // the slots that hold a point
    // Starts the next point in slot l, or leaves it idle at c = 0, whose orbit stays put.
    const auto refill = [&](std::size_t l) {
        double x = 0.0, y = 0.0;
        const std::uint64_t bit = std::uint64_t{1} << l;
        if (next < n) {
            x = cr[next];
            y = ci[next];
            s.point[l] = next++;
            live |= bit;
        } else {
            live &= ~bit;
        }
        s.zr[l] = s.cr[l] = x;
        s.zi[l] = s.ci[l] = y;
        s.count[l] = 0;
        if constexpr (kPeriodicity) {
            s.savedZr[l] = x;
            s.savedZi[l] = y;
            s.saveAfter[l] = kFirstSave - 1;
        }
        if constexpr (HasDerivative(kEnds)) {
            s.dzr[l] = 1.0;
            s.dzi[l] = 0.0;
        }
    };
    for (std::size_t l = 0; l < VectorsFor(kEnds) * kLanes; ++l)
        refill(l);

    int sinceStopCheck = 0;
    while (live != 0) {
        const BlockResult block = RunBlock<kPeriodicity, kEnds, kGrows>(s, bound, limit);
        if constexpr (kGrows) {
            constexpr std::uint64_t kVector = (std::uint64_t{1} << kLanes) - 1;
            for (std::size_t j = 0; j < VectorsFor(kEnds); ++j) {
                if (((block.escaped & live) >> (j * kLanes) & kVector) != 0)
                    LookUpEscapes(s, j, bound);
            }
        }
        if constexpr (kVectorRefill && (kEnds == kNoEnds || AtCheckpoints(kEnds))) {
            if constexpr (kEnds != kNoEnds) {
                // Before their slots take the next points.
                for (std::uint64_t out = block.escaped & live; out != 0; out &= out - 1) {
                    const auto l = static_cast<std::size_t>(std::countr_zero(out));
                    CopyEnds<kEnds>(s, l, s.steps[l], ends);
                }
            }
            RefillVectors<kPeriodicity, HasDerivative(kEnds), kGrows>(s, block, live, next, cr, ci,
                                                                      counts, n, limit);
        } else {
            for (std::uint64_t done = block.done & live; done != 0; done &= done - 1) {
                const auto l = static_cast<std::size_t>(std::countr_zero(done));
                // Steps past the limit do not count, since the limit test comes first; an orbit
                // that cycles would reach the limit.
                const bool escaped = (block.escaped >> l) & 1;
                const std::size_t point = s.point[l];
                // The steps made in the block, up to the escape for a lane that escaped.
                std::int64_t steps = kBlock;
                if constexpr (kGrows || kEnds != kNoEnds)
                    steps = escaped ? s.steps[l] : kBlock;
                const std::int64_t count = s.count[l] + (kGrows ? steps - kBlock : 0);
                counts[point] = static_cast<int>(escaped ? std::min(count, limit) : limit);
                if constexpr (kEnds != kNoEnds) {
                    if (escaped)
                        CopyEnds<kEnds>(s, l, steps, ends);
                }
                refill(l);
            }
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

// The largest magnitude of either part of any point, infinite where one is NaN. The orbit of an
// infinite or NaN c turns to NaN without having grown past the bound, and the plain loop never
// lets a NaN escape, so such points keep a bound that grows from being taken as one.
double LargestPart(const double* cr, const double* ci, std::size_t n) {
    const D d;
    const std::size_t lanes = hn::Lanes(d);
    const Vec inf = hn::Set(d, std::numeric_limits<double>::infinity());
    const auto magnitude = [&](Vec v) { return hn::IfThenElse(hn::Eq(v, v), hn::Abs(v), inf); };
    Vec most = hn::Zero(d);
    std::size_t k = 0;
    for (; k + lanes <= n; k += lanes)
        most = hn::Max(most,
                       hn::Max(magnitude(hn::LoadU(d, cr + k)), magnitude(hn::LoadU(d, ci + k))));
    double largest = hn::GetLane(hn::MaxOfLanes(d, most));
    for (; k < n; ++k) {
        for (const double part : {cr[k], ci[k]})
            largest = std::max(largest, std::isnan(part) ? hn::GetLane(inf) : std::fabs(part));
    }
    return largest;
}

// Whether the values at checkpoints, up to kCheckpointEvery - 1 steps past the escape, stay
// numbers: the escaped value's squared modulus is then below about 2^82, and three squarings
// keep it within the doubles. Larger bounds and points record the escape's own values.
bool CheckpointsFit(double largestPart, double escape) {
    static_assert(kCheckpointEvery <= 4);
    return escape <= 0x1p40 && largestPart <= 0x1p10;
}

template <bool kPeriodicity, bool kGrows>
bool IterateWithEnds(const double* cr, const double* ci, int* counts, std::size_t n, int maxIter,
                     double escape, double largestPart, const Interrupts& interrupts,
                     const EndsOut& ends) {
    if (ends.zr == nullptr)
        return IterateAll<kPeriodicity, kNoEnds, kGrows>(cr, ci, counts, n, maxIter, escape,
                                                         interrupts, ends);
    if constexpr (kGrows) {
        if (ends.past != nullptr && CheckpointsFit(largestPart, escape)) {
            if (ends.dzr == nullptr)
                return IterateAll<kPeriodicity, kValue | kCheckpoints, kGrows>(
                    cr, ci, counts, n, maxIter, escape, interrupts, ends);
            return IterateAll<kPeriodicity, kDerivative | kCheckpoints, kGrows>(
                cr, ci, counts, n, maxIter, escape, interrupts, ends);
        }
    }
    if (ends.dzr == nullptr)
        return IterateAll<kPeriodicity, kValue, kGrows>(cr, ci, counts, n, maxIter, escape,
                                                        interrupts, ends);
    return IterateAll<kPeriodicity, kDerivative, kGrows>(cr, ci, counts, n, maxIter, escape,
                                                         interrupts, ends);
}

template <bool kPeriodicity>
bool IterateWithBound(const double* cr, const double* ci, int* counts, std::size_t n, int maxIter,
                      double escape, const Interrupts& interrupts, const EndsOut& ends) {
    // One look at the points tells both whether the bound may grow and whether checkpoints fit.
    const double largest = LargestPart(cr, ci, n);
    return kernel::EscapesForGood(escape) && largest <= std::numeric_limits<double>::max()
               ? IterateWithEnds<kPeriodicity, true>(cr, ci, counts, n, maxIter, escape, largest,
                                                     interrupts, ends)
               : IterateWithEnds<kPeriodicity, false>(cr, ci, counts, n, maxIter, escape, largest,
                                                      interrupts, ends);
}

}  // namespace

bool IteratePointsTarget(const double* cr, const double* ci, int* counts, std::size_t n,
                         int maxIter, double escape, bool periodicity, const Interrupts& interrupts,
                         const kernel::EndsOut& ends) {
    const bool done =
        periodicity ? IterateWithBound<true>(cr, ci, counts, n, maxIter, escape, interrupts, ends)
                    : IterateWithBound<false>(cr, ci, counts, n, maxIter, escape, interrupts, ends);
    LeaveVectorUnit();
    return done;
}

}  // namespace HWY_NAMESPACE
}  // namespace zolt
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace zolt::kernel {

namespace {

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

}  // namespace

std::span<const KernelEntry> CompiledKernels() {
    return kKernels;
}

}  // namespace zolt::kernel

#endif  // HWY_ONCE
