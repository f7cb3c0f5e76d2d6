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

}  // namespace HWY_NAMESPACE
}  // namespace zolt
HWY_AFTER_NAMESPACE();
