// Escaped orbits followed on from their ends to their samples (FinishOrbits), compiled once per
// instruction set as the kernel is: Highway's foreach_target.h includes this file again for every
// target, inside its own namespace, and engine/iteration_kernel.cpp's dispatch table calls the
// variant of the kernel it runs.

#ifndef ZOLT_ENGINE_ORBIT_TAIL_ONCE
#define ZOLT_ENGINE_ORBIT_TAIL_ONCE

#include "engine/kernel_targets.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <numbers>

#include "engine/point_samples.h"

#endif  // ZOLT_ENGINE_ORBIT_TAIL_ONCE

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/orbit_tail.cpp"
#include <hwy/foreach_target.h>  // must come before highway.h
#include <hwy/highway.h>

#include <hwy/contrib/math/math-inl.h>

HWY_BEFORE_NAMESPACE();
namespace zolt {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;
using D = hn::ScalableTag<double>;
using Vec = hn::Vec<D>;

// log2(ln 2 / 2), which turns log2 log2 |z|^2 into log2 ln|z|.
constexpr double kLog2HalfLn2 = -1.5287663729448977;

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
               a.past != nullptr ? hn::LoadU(d32, a.past + k) : hn::Zero(d32), a.fraction + k,
               a.dex + (distance ? k : 0), a.dey + (distance ? k : 0));
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
        HWY_ALIGN std::int32_t past[kMax] = {};
        if (a.past != nullptr)
            std::copy(a.past + k, a.past + a.n, past);
        HWY_ALIGN float out[3][kMax];
        Finish(hn::Load(d, in[0]), hn::Load(d, in[1]), hn::Load(d, in[2]), hn::Load(d, in[3]),
               hn::Load(d, in[4]), hn::Load(d, in[5]), hn::Load(d32, count), hn::Load(d32, past),
               out[0], out[1], out[2]);
        std::copy(out[0], out[0] + valid, a.fraction + k);
        if (a.dzr != nullptr) {
            std::copy(out[1], out[1] + valid, a.dex + k);
            std::copy(out[2], out[2] + valid, a.dey + k);
        }
    }

    void Finish(const Vec cr, const Vec ci, Vec zr, Vec zi, const Vec dzr, const Vec dzi,
                const hn::Vec<decltype(d32)> counts, const hn::Vec<decltype(d32)> past,
                float* fractionOut, float* dexOut, float* deyOut) const {
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
        Vec steps = hn::ConvertTo(d, hn::PromoteTo(d64, past));
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
        // log2 |z|^2: the exponent, and the mantissa's logarithm in floats, which hold it as
        // closely as the fraction (a float too) needs and take half the work of doubles.
        const auto bits = hn::BitCast(d64, norm);
        const Vec exponent =
            hn::ConvertTo(d, hn::Sub(hn::ShiftRight<52>(bits), hn::Set(d64, 1023)));
        const Vec mantissa =
            hn::BitCast(d, hn::Or(hn::And(bits, hn::Set(d64, 0x000f'ffff'ffff'ffff)),
                                  hn::Set(d64, 0x3ff0'0000'0000'0000)));
        Vec log2Norm =
            hn::Add(exponent, hn::PromoteTo(d, hn::Log2(df, hn::DemoteTo(df, mantissa))));
        const auto huge = hn::IsInf(norm);
        if (!hn::AllFalse(d, huge)) {
            // Past the doubles: 2 log2 max(|zr|, |zi|) + log2(1 + ratio^2).
            const Vec big = hn::Max(hn::Abs(zr), hn::Abs(zi));
            const Vec ratio = hn::Div(hn::Min(hn::Abs(zr), hn::Abs(zi)), big);
            const Vec scaled = hn::Add(hn::Mul(hn::Log2(d, big), two),
                                       hn::Log2(d, hn::Add(one, hn::Mul(ratio, ratio))));
            log2Norm = hn::IfThenElse(huge, scaled, log2Norm);
        }
        // A bound below 4 lets out orbits that never go anywhere.
        const auto valid =
            hn::And(escaped, hn::And(hn::Gt(norm, hn::Set(d, 4.0)), hn::IsFinite(log2Norm)));
        // log2 ln|z| = log2 log2 |z|^2 + log2(ln 2 / 2).
        const Vec log2Log2 = hn::PromoteTo(d, hn::Log2(df, hn::DemoteTo(df, log2Norm)));
        const Vec fraction =
            hn::Add(hn::Sub(steps, log2Log2), hn::Set(d, a.log2LnBound - kLog2HalfLn2));
        hn::StoreU(hn::DemoteTo(df, hn::IfThenElseZero(valid, fraction)), df, fractionOut);
        if (!distance)
            return;
        // z ln|z| / q: its length is the distance, it points away from the set.
        const Vec q2 = hn::Add(hn::Mul(qr, qr), hn::Mul(qi, qi));
        const Vec lnModulus = hn::Mul(log2Norm, hn::Set(d, 0.5 * std::numbers::ln2));
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

// Ends every entry point compiled per instruction set. The 256- and 512-bit targets leave the
// upper halves of the vector registers in use, and the code around them, built for plain x86-64,
// does its scalar floating point in the older encoding: on CPUs that merge those halves into every
// such instruction, each one then waits for the one before, which made the loops run after a
// kernel several times slower. The compiler clears them only where it sees them used, and it
// misses uses in the functions called.
void LeaveVectorUnit() {
#if HWY_TARGET == HWY_AVX2 || HWY_TARGET == HWY_AVX3
    _mm256_zeroupper();
#endif
}

void FinishOrbitsTarget(const kernel::FinishArgs& args) {
    const Finisher finisher{D(), {}, {}, {}, args};
    const std::size_t lanes = hn::Lanes(D());
    std::size_t k = 0;
    for (; k + lanes <= args.n; k += lanes)
        finisher.Run(k);
    if (k < args.n)
        finisher.RunLast(k);
    LeaveVectorUnit();
}

}  // namespace HWY_NAMESPACE
}  // namespace zolt
HWY_AFTER_NAMESPACE();
