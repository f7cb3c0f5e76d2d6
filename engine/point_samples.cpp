#include "engine/point_samples.h"

#include <algorithm>
#include <cmath>

namespace zolt {

namespace {

// Past this squared modulus the orbit's next value is its square to within 2^-24 of the
// modulus, so the continuous count taken here is that of the limit to about 1e-7 of a count.
constexpr double kFarNorm = 0x1p24;
// Bounds the steps after the escape for an orbit that a bound below 4 let out without its
// going anywhere.
constexpr int kMaxTailSteps = 64;
// The largest distance kept: far beyond any view, and well inside a float.
constexpr double kMaxDistance = 1e30;

float ToFloat(double value) {
    if (std::isnan(value))
        return 0.0f;
    return static_cast<float>(std::clamp(value, -kMaxDistance, kMaxDistance));
}

// ln|z| for an orbit far out, also where |z|^2 no longer fits a double.
double LogModulus(double zr, double zi, double norm) {
    if (std::isfinite(norm))
        return 0.5 * std::log(norm);
    const double big = std::max(std::fabs(zr), std::fabs(zi));
    const double ratio = std::min(std::fabs(zr), std::fabs(zi)) / big;
    return std::log(big) + 0.5 * std::log1p(ratio * ratio);
}

// z ln|z| / q with q = (qr + i qi) 2^qexp; |q| is far from the doubles' limits when qexp is 0
// and the caller has no better scale, or when q is normalised.
void SetDistance(double zr, double zi, double lnModulus, double qr, double qi, std::int64_t qexp,
                 OrbitTail::Samples& samples) {
    const double q2 = qr * qr + qi * qi;
    if (!(q2 > 0.0)) {
        // No derivative at all: as far from the boundary as can be.
        samples.dex = samples.dey = static_cast<float>(kMaxDistance);
        return;
    }
    if (!std::isfinite(q2))
        return;  // a derivative past the doubles: right on the boundary
    // z conj(q) / |q|^2
    const double scale = lnModulus / q2;
    const auto exponent = static_cast<int>(std::clamp<std::int64_t>(-qexp, -4000, 4000));
    samples.dex = ToFloat(std::ldexp((zr * qr + zi * qi) * scale, exponent));
    samples.dey = ToFloat(std::ldexp((zi * qr - zr * qi) * scale, exponent));
}

}  // namespace

void SamplePlanes::Allocate(SampleLevel planes, std::size_t pixels) {
    level = planes;
    counts.assign(pixels, 0);
    const std::size_t fractions = planes >= SampleLevel::Fraction ? pixels : 0;
    const std::size_t distances = planes >= SampleLevel::Distance ? pixels : 0;
    fraction.assign(fractions, 0.0f);
    dex.assign(distances, 0.0f);
    dey.assign(distances, 0.0f);
}

void SamplePlanes::Clear() {
    level = SampleLevel::Counts;
    for (auto* plane : {&fraction, &dex, &dey})
        std::vector<float>().swap(*plane);
    std::vector<int>().swap(counts);
}

SampleRun SamplePlanes::Run(std::size_t from, std::size_t size) const {
    const auto at = [from](const std::vector<float>& plane) {
        return plane.empty() ? nullptr : plane.data() + from;
    };
    return {counts.data() + from, at(fraction), at(dex), at(dey), size};
}

OrbitTail::OrbitTail(double escape) {
    // ln R of the bound the counts escaped; below 4 the tail's radius takes its place, since
    // orbits let out below |z| = 2 only truly escape from there.
    const double bound = escape > 4.0 && std::isfinite(escape) ? escape : 4.0;
    log2LnBound_ = std::log2(0.5 * std::log(bound));
}

bool OrbitTail::Fraction(double zr, double zi, double norm, int steps, double& lnModulus,
                         Samples& samples) const {
    if (!(norm > 4.0) || !std::isfinite(zr) || !std::isfinite(zi))
        return false;
    lnModulus = LogModulus(zr, zi, norm);
    // n + steps - log2(ln|z| / ln R): continuous, since ln|z| doubles with every step far out.
    samples.fraction = static_cast<float>(steps - std::log2(lnModulus) + log2LnBound_);
    return true;
}

OrbitTail::Samples OrbitTail::Finish(double zr, double zi, double cr, double ci, bool distance,
                                     double dzr, double dzi, double dx) const {
    double norm = zr * zr + zi * zi;
    int steps = 0;
    for (; norm <= kFarNorm && steps < kMaxTailSteps; ++steps) {
        if (distance) {
            const double r = 2.0 * (zr * dzr - zi * dzi) + 1.0;
            dzi = 2.0 * (zr * dzi + zi * dzr);
            dzr = r;
        }
        const double r = zr * zr - zi * zi + cr;
        zi = 2.0 * zr * zi + ci;
        zr = r;
        norm = zr * zr + zi * zi;
    }
    Samples samples;
    double lnModulus = 0.0;
    if (Fraction(zr, zi, norm, steps, lnModulus, samples) && distance)
        SetDistance(zr, zi, lnModulus, dzr * dx, dzi * dx, 0, samples);
    return samples;
}

OrbitTail::Samples OrbitTail::FinishDeep(double zr, double zi, double cr, double ci, bool distance,
                                         ext::Complex dz, ext::Real dx) const {
    double norm = zr * zr + zi * zi;
    int steps = 0;
    const ext::Complex one = ext::FromDouble(1.0, 0.0);
    for (; norm <= kFarNorm && steps < kMaxTailSteps; ++steps) {
        if (distance)
            dz = ext::Add(ext::Mul(ext::Twice(ext::FromDouble(zr, zi)), dz), one);
        const double r = zr * zr - zi * zi + cr;
        zi = 2.0 * zr * zi + ci;
        zr = r;
        norm = zr * zr + zi * zi;
    }
    Samples samples;
    double lnModulus = 0.0;
    if (Fraction(zr, zi, norm, steps, lnModulus, samples) && distance) {
        const ext::Complex q = ext::Mul(dz, ext::Complex{dx.m, 0.0, dx.e});
        SetDistance(zr, zi, lnModulus, q.re, q.im, q.e == ext::kZeroExp ? 0 : q.e, samples);
    }
    return samples;
}

}  // namespace zolt
