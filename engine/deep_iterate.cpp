// The pixels of a deep view: each one iterated as its difference from the prepared reference
// orbit (see engine/deep_engine.h for how and why).

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

#include "engine/deep_engine.h"
#include "engine/deep_prepared.h"
#include "engine/ext_float.h"

namespace zolt {

namespace {

// Plain steps (or skips) between two looks at the stop flag: well under a millisecond.
constexpr int kStopCheckSteps = 8192;

// The longest skip usable at reference index m (aligned: m - 1 a multiple of
// 2^kLowestLevel): its entry and length, or an entry of -1. `fits(e)` says whether entry e
// accepts the current difference. A longer skip from the same index is never usable where a
// shorter one is not (its radius is at most the shorter one's), so the longest is found by
// bisection after one look at the shortest.
struct Skip {
    std::ptrdiff_t entry = -1;
    int length = 0;
};

// The longest prefix run (from index 1) usable for a difference of squared modulus nd at
// iteration i: its entry and length, or an entry of -1. The search gallops from `hint`, the
// last run this pixel took: its orbit tends to come back to the same place.
Skip FindPrefix(const SkipTable& table, int i, int maxIter, double nd, std::ptrdiff_t& hint) {
    const double* r2 = table.prefixR2.data();
    // Entry q runs q + 1 steps, at most maxIter - i of them.
    const std::ptrdiff_t count = std::min(static_cast<std::ptrdiff_t>(table.prefixR2.size()),
                                          static_cast<std::ptrdiff_t>(maxIter) - i);
    if (count <= 0 || !(nd < r2[0]))
        return {};
    std::ptrdiff_t good = 0, bad = count;  // usable at good, not at bad (or beyond the end)
    const std::ptrdiff_t guess = std::clamp<std::ptrdiff_t>(hint, 0, count - 1);
    std::ptrdiff_t step = 1;
    if (nd < r2[guess]) {
        good = guess;
        while (good + step < count && nd < r2[good + step]) {
            good += step;
            step *= 2;
        }
        bad = std::min(good + step, count);
    } else {
        bad = guess;
        while (bad - step > good && !(nd < r2[bad - step])) {
            bad -= step;
            step *= 2;
        }
        if (bad - step > good)
            good = bad - step;
    }
    while (bad - good > 1) {
        const std::ptrdiff_t mid = good + (bad - good) / 2;
        (nd < r2[mid] ? good : bad) = mid;
    }
    hint = good;
    return {good, static_cast<int>(good + 1)};
}

template <class Fits>
Skip FindSkip(const SkipTable& table, int m, int i, int maxIter, Fits fits) {
    const auto t = static_cast<unsigned>(m - 1);
    int top = table.Levels() - 1;
    if (t != 0)
        top = std::min(top, std::countr_zero(t) - kLowestLevel);
    const auto entry = [&](int j) -> Skip {
        const int length = 1 << (kLowestLevel + j);
        const std::size_t k = t >> (kLowestLevel + j);
        const std::size_t level = static_cast<std::size_t>(j);
        if (k >= table.count[level] || i > maxIter - length)
            return {};
        const std::size_t e = table.start[level] + k;
        return fits(e) ? Skip{static_cast<std::ptrdiff_t>(e), length} : Skip{};
    };
    if (top < 0)
        return {};
    Skip found = entry(0);
    if (found.entry < 0)
        return found;
    int good = 0, bad = top + 1;
    while (bad - good > 1) {
        const int mid = (good + bad) / 2;
        const Skip e = entry(mid);
        if (e.entry >= 0) {
            good = mid;
            found = e;
        } else {
            bad = mid;
        }
    }
    return found;
}

constexpr unsigned kAlignMask = (1u << kLowestLevel) - 1;

// Where an escaped orbit ended, for the samples beyond its count.
struct OrbitEnd {
    double zr = 0.0;
    double zi = 0.0;
    ext::Complex dz;  // dz/dc of the full orbit
};

// What Iterate records besides the count: nothing, the full value at the escape, or that and
// the derivative. The variant without is the one that counts, so its loop stays as it was.
enum Ends { kNoEnds = 0, kValue = 1, kDerivative = 2 };

// The derivative dz/dc of the full orbit, z' = 2 z z' + 1, as the double loop carries it: a
// pair of doubles scaled by 2^-exp, rescaled before they overflow (deep down it grows far past
// the doubles).
struct ScaledDerivative {
    double re = 1.0;
    double im = 0.0;
    std::int64_t exp = 0;
    double unit = 1.0;  // 2^-exp: the 1 of each step

    void Set(const ext::Complex& d) {
        if (d.e == ext::kZeroExp) {
            *this = {0.0, 0.0, 0, 1.0};
            return;
        }
        re = d.re;
        im = d.im;
        exp = d.e;
        unit = ext::detail::Scale(1.0, -exp);
    }
    ext::Complex Get() const { return ext::Normalize(re, im, exp); }
    // One step at the full value w.
    void Step(double wr, double wi) {
        const double r = 2.0 * (wr * re - wi * im) + unit;
        im = 2.0 * (wr * im + wi * re);
        re = r;
        if (std::fabs(re) > 0x1p256 || std::fabs(im) > 0x1p256) {
            re *= 0x1p-256;
            im *= 0x1p-256;
            exp += 256;
            unit = ext::detail::Scale(1.0, -exp);
        }
    }
    // A skip: the derivative goes through the run's linear map as the difference does,
    // z' -> A z' + B, since dc moves with c.
    void Skip(const ext::Complex& a, const ext::Complex& b) {
        Set(ext::Add(ext::Mul(a, Get()), b));
    }
};

template <int kEnds>
int Iterate(const DeepPrepared& p, int x, int y, const std::atomic<bool>* stop, OrbitEnd* end) {
    const int maxIter = p.maxIter;
    if (maxIter <= 1)
        return 1;
    const double* orbit = p.orbit.data();
    const int last = p.Length() - 1;
    const double escape = p.escape;
    const SkipTable& table = p.skips;
    const ext::Complex dc = ext::Normalize(static_cast<double>(x - p.cx) * p.dxMantissa,
                                           static_cast<double>(y - p.cy) * p.dxMantissa, p.dxExp);
    const double dcr = ext::Re(dc);
    const double dci = ext::Im(dc);
    // Below 2^-960 a double dc loses bits; B dc of a skip is then formed with the exponent.
    const bool exactDc = dc.e >= -960 || dc.e == ext::kZeroExp;
    const bool skips =
        p.useBla && table.Levels() > 0 && x >= 0 && x < p.width && y >= 0 && y < p.height;

    int i = 0;
    int m = 1;
    int budget = kStopCheckSteps;
    std::ptrdiff_t hint = 0;
    bool small = dc.e < kSmallExp;
    double dr = dcr, di = dci;
    ext::Complex dz = dc;
    // The derivative, in the double loop's form and in the extended one's.
    ScaledDerivative derivative;
    ext::Complex dzx = ext::FromDouble(1.0, 0.0);
    const ext::Complex one = dzx;
    // The orbit escaped at the full value w: what the caller asked of its end.
    const auto ended = [&](double wr, double wi, bool extended) {
        if constexpr (kEnds != kNoEnds) {
            end->zr = wr;
            end->zi = wi;
            if constexpr (kEnds == kDerivative)
                end->dz = extended ? dzx : derivative.Get();
        }
        (void)wr, (void)wi, (void)extended;
    };
    for (;;) {
        if (!small) {
            double wr = orbit[2 * m] + dr;
            double wi = orbit[2 * m + 1] + di;
            double nw = wr * wr + wi * wi;
            double nd = dr * dr + di * di;
            for (;;) {
                // Rebase when the orbit comes closer to 0 than to the reference, or the
                // reference has no next value.
                if (m == last || nw < nd) {
                    dr = wr;
                    di = wi;
                    nd = nw;
                    m = 0;
                    if (nd < kSmallNorm)
                        break;
                }
                Skip skip;
                const SkipDouble* run = nullptr;
                if (skips && m == 1) {
                    skip = FindPrefix(table, i, maxIter, nd, hint);
                    if (skip.entry >= 0)
                        run = &table.prefix[static_cast<std::size_t>(skip.entry)];
                }
                if (skips && run == nullptr && ((static_cast<unsigned>(m) - 1) & kAlignMask) == 0 &&
                    m > 0) {
                    skip = FindSkip(table, m, i, maxIter,
                                    [&](std::size_t e) { return nd < table.dbl[e].r2; });
                    if (skip.entry >= 0)
                        run = &table.dbl[static_cast<std::size_t>(skip.entry)];
                }
                if (run != nullptr) {
                    const SkipDouble& s = *run;
                    double nr = s.ar * dr - s.ai * di;
                    double ni = s.ar * di + s.ai * dr;
                    if (exactDc) {
                        nr += s.br * dcr - s.bi * dci;
                        ni += s.br * dci + s.bi * dcr;
                    } else {
                        // A usable run has |B| below 2^1000; dc lies below 2^-960.
                        const ext::Complex bdc = ext::Mul(ext::FromDouble(s.br, s.bi), dc);
                        nr += ext::Re(bdc);
                        ni += ext::Im(bdc);
                    }
                    dr = nr;
                    di = ni;
                    m += skip.length;
                    i += skip.length;
                    if constexpr (kEnds == kDerivative)
                        derivative.Skip(ext::FromDouble(s.ar, s.ai), ext::FromDouble(s.br, s.bi));
                } else {
                    if constexpr (kEnds == kDerivative)
                        derivative.Step(wr, wi);
                    // dz' = (2 Z + dz) dz + dc
                    const double zr = 2 * orbit[2 * m] + dr;
                    const double zi = 2 * orbit[2 * m + 1] + di;
                    const double nr = zr * dr - zi * di + dcr;
                    const double ni = zr * di + zi * dr + dci;
                    dr = nr;
                    di = ni;
                    ++m;
                    ++i;
                }
                if (i >= maxIter)
                    return i;
                wr = orbit[2 * m] + dr;
                wi = orbit[2 * m + 1] + di;
                nw = wr * wr + wi * wi;
                if (nw > escape) {
                    ended(wr, wi, false);
                    return i;
                }
                if (--budget == 0) {
                    budget = kStopCheckSteps;
                    if (stop != nullptr && stop->load(std::memory_order_relaxed))
                        return 0;
                }
                nd = dr * dr + di * di;
                if (nd < kSmallNorm)
                    break;
            }
            small = true;
            dz = ext::FromDouble(dr, di);
            if constexpr (kEnds == kDerivative)
                dzx = derivative.Get();
        } else {
            for (;;) {
                ext::Complex z = p.ExtAt(m);
                const ext::Complex w = ext::Add(z, dz);
                if (m == last || ext::Less(ext::Norm(w), ext::Norm(dz))) {
                    dz = w;
                    m = 0;
                    z = ext::Complex{};
                    if (dz.e >= kSmallExp)
                        break;
                }
                Skip skip;
                if (skips && ((static_cast<unsigned>(m) - 1) & kAlignMask) == 0 && m > 0) {
                    const ext::Real norm = ext::Norm(dz);
                    skip = FindSkip(table, m, i, maxIter, [&](std::size_t e) {
                        return ext::Less(norm, table.ext[e].r2);
                    });
                }
                if (skip.entry >= 0) {
                    const SkipExt& s = table.ext[static_cast<std::size_t>(skip.entry)];
                    dz = ext::Add(ext::Mul(s.a, dz), ext::Mul(s.b, dc));
                    m += skip.length;
                    i += skip.length;
                    if constexpr (kEnds == kDerivative)
                        dzx = ext::Add(ext::Mul(s.a, dzx), s.b);
                } else {
                    if constexpr (kEnds == kDerivative)
                        dzx = ext::Add(ext::Mul(ext::Twice(w), dzx), one);
                    dz = ext::Add(ext::Mul(ext::Add(ext::Twice(z), dz), dz), dc);
                    ++m;
                    ++i;
                }
                if (i >= maxIter)
                    return i;
                const double wr = orbit[2 * m] + ext::Re(dz);
                const double wi = orbit[2 * m + 1] + ext::Im(dz);
                if (wr * wr + wi * wi > escape) {
                    ended(wr, wi, true);
                    return i;
                }
                if (--budget == 0) {
                    budget = kStopCheckSteps;
                    if (stop != nullptr && stop->load(std::memory_order_relaxed))
                        return 0;
                }
                if (dz.e >= kSmallExp)
                    break;
            }
            small = false;
            dr = ext::Re(dz);
            di = ext::Im(dz);
            if constexpr (kEnds == kDerivative)
                derivative.Set(dzx);
        }
    }
}

}  // namespace

int DeepIteratePoint(const DeepReference& reference, int x, int y, const std::atomic<bool>* stop) {
    const DeepPrepared* p = reference.Pixels();
    if (p == nullptr || (stop != nullptr && stop->load(std::memory_order_relaxed)))
        return 0;
    return Iterate<kNoEnds>(*p, x, y, stop, nullptr);
}

int DeepSamplePoint(const DeepReference& reference, int x, int y, SampleLevel level,
                    const std::atomic<bool>* stop, DeepOrbitEnd& end) {
    end = {};
    const DeepPrepared* p = reference.Pixels();
    if (p == nullptr || (stop != nullptr && stop->load(std::memory_order_relaxed)))
        return 0;
    if (level == SampleLevel::Counts)
        return Iterate<kNoEnds>(*p, x, y, stop, nullptr);
    OrbitEnd orbit;
    const int count = level == SampleLevel::Distance ? Iterate<kDerivative>(*p, x, y, stop, &orbit)
                                                     : Iterate<kValue>(*p, x, y, stop, &orbit);
    // c as doubles is all the rest needs: it only moves an orbit already far out.
    const ext::Complex dc =
        ext::Normalize(static_cast<double>(x - p->cx) * p->dxMantissa,
                       static_cast<double>(y - p->cy) * p->dxMantissa, p->dxExp);
    const ext::Complex q = ext::Mul(orbit.dz, ext::Complex{p->dxMantissa, 0.0, p->dxExp});
    end = {orbit.zr,   orbit.zi,  p->orbit[2] + ext::Re(dc), p->orbit[3] + ext::Im(dc),
           ext::Re(q), ext::Im(q)};
    return count;
}

bool ComputeDeepCounts(const DeepReference& reference, std::span<const DeepPixel> pixels,
                       std::span<int> counts, const std::atomic<bool>* stop) {
    if (counts.size() < pixels.size())
        return false;
    std::size_t k = 0;
    bool finished = reference.Ready();
    for (; finished && k < pixels.size(); ++k) {
        const int n = DeepIteratePoint(reference, pixels[k].x, pixels[k].y, stop);
        if (n == 0) {
            finished = false;
            break;
        }
        counts[k] = n;
    }
    for (; k < pixels.size(); ++k)
        counts[k] = 0;
    return finished;
}
}  // namespace zolt
