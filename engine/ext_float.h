#pragma once

// Numbers with a double mantissa and a separate 64-bit binary exponent, for the differences
// of a deep zoom that fall below the smallest double (about 1e-308). A complex value shares
// one exponent between its two parts: its error is measured against its modulus, as the
// perturbation step needs, so the smaller part may lose bits of its own.
//
// Every operation renormalises, which costs a few instructions; the deep engine uses these
// only while a difference is too small for plain doubles.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

namespace zolt::ext {

// The exponent of zero: below every other exponent, so zero sorts and adds as the smallest.
inline constexpr std::int64_t kZeroExp = -(std::int64_t{1} << 60);

// Two to the power k, built from its bits: exact and cheap for k in [-1022, 1023].
inline double Pow2(int k) {
    return std::bit_cast<double>(static_cast<std::uint64_t>(k + 1023) << 52);
}

// m * 2^e with 1 <= |m| < 2, or zero (m == 0, e == kZeroExp).
struct Real {
    double m = 0.0;
    std::int64_t e = kZeroExp;
};

// (re + i im) * 2^e with 1 <= max(|re|, |im|) < 2, or zero (both 0, e == kZeroExp).
struct Complex {
    double re = 0.0;
    double im = 0.0;
    std::int64_t e = kZeroExp;
};

namespace detail {

// The binary exponent of a finite, non-zero x: x = f * 2^k with 1 <= |f| < 2. Also right for
// subnormal x.
inline int ExponentOf(double x) {
    const int biased = static_cast<int>((std::bit_cast<std::uint64_t>(x) >> 52) & 0x7ff);
    if (biased != 0)
        return biased - 1023;
    return ExponentOf(x * 0x1p64) - 64;
}

// x * 2^k for any k, rounding once as the hardware does (to a subnormal or zero below the
// double range, to infinity above it).
inline double Scale(double x, std::int64_t k) {
    const std::int64_t clamped = std::clamp<std::int64_t>(k, -4000, 4000);
    return std::ldexp(x, static_cast<int>(clamped));
}

}  // namespace detail

inline Real Normalize(double m, std::int64_t e) {
    if (m == 0.0 || !std::isfinite(m))
        return {m == 0.0 ? 0.0 : m, m == 0.0 ? kZeroExp : e};
    const int k = detail::ExponentOf(m);
    // k lies in [-1074, 1023]; 2^-k is a normal double for -1022 <= k < 1023, two steps
    // outside.
    if (k >= -1022 && k < 1023)
        return {m * Pow2(-k), e + k};
    if (k >= 1023)
        return {(m * 0.5) * Pow2(-(k - 1)), e + k};
    return {(m * 0x1p64) * Pow2(-(k + 64)), e + k};
}

inline Complex Normalize(double re, double im, std::int64_t e) {
    const double big = std::max(std::fabs(re), std::fabs(im));
    if (big == 0.0)
        return {};
    const int k = detail::ExponentOf(big);
    if (k >= -1022 && k < 1023) {
        const double s = Pow2(-k);
        return {re * s, im * s, e + k};
    }
    if (k >= 1023)
        return {(re * 0.5) * Pow2(-(k - 1)), (im * 0.5) * Pow2(-(k - 1)), e + k};
    return {(re * 0x1p64) * Pow2(-(k + 64)), (im * 0x1p64) * Pow2(-(k + 64)), e + k};
}

inline Real FromDouble(double x) {
    return Normalize(x, 0);
}
inline Complex FromDouble(double re, double im) {
    return Normalize(re, im, 0);
}

// The nearest doubles (zero or subnormal below their range).
inline double ToDouble(Real x) {
    return x.e == kZeroExp ? 0.0 : detail::Scale(x.m, x.e);
}
inline double Re(const Complex& z) {
    return z.e == kZeroExp ? 0.0 : detail::Scale(z.re, z.e);
}
inline double Im(const Complex& z) {
    return z.e == kZeroExp ? 0.0 : detail::Scale(z.im, z.e);
}

// Below this many binary places an addend no longer changes a double mantissa.
inline constexpr std::int64_t kNegligible = 64;

inline Real Add(Real a, Real b) {
    if (a.e < b.e)
        std::swap(a, b);
    const std::int64_t d = b.e - a.e;
    if (d < -kNegligible)
        return a;
    return Normalize(a.m + b.m * Pow2(static_cast<int>(d)), a.e);
}
inline Real Neg(Real a) {
    return {-a.m, a.e};
}
inline Real Mul(Real a, Real b) {
    return Normalize(a.m * b.m, a.e + b.e);
}
// a / b for b != 0.
inline Real Div(Real a, Real b) {
    return Normalize(a.m / b.m, a.e - b.e);
}
// The square root of a >= 0.
inline Real Sqrt(Real a) {
    if (a.e == kZeroExp)
        return a;
    const bool odd = (a.e & 1) != 0;
    const double m = odd ? a.m * 2.0 : a.m;
    const std::int64_t e = odd ? a.e - 1 : a.e;
    return Normalize(std::sqrt(m), e / 2);
}
inline bool Less(Real a, Real b) {
    // Signs first, then exponents, then mantissas; all values here are normalised.
    if ((a.m < 0) != (b.m < 0))
        return a.m < 0;
    if (a.m == 0.0 || b.m == 0.0)
        return a.m < b.m;
    if (a.e != b.e)
        return (a.e < b.e) != (a.m < 0);
    return a.m < b.m;
}

inline Complex Add(Complex a, Complex b) {
    if (a.e < b.e)
        std::swap(a, b);
    const std::int64_t d = b.e - a.e;
    if (d < -kNegligible)
        return a;
    const double s = Pow2(static_cast<int>(d));
    return Normalize(a.re + b.re * s, a.im + b.im * s, a.e);
}
inline Complex Mul(const Complex& a, const Complex& b) {
    return Normalize(a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re, a.e + b.e);
}
inline Complex Twice(Complex a) {
    if (a.e != kZeroExp)
        ++a.e;
    return a;
}
// |a|^2.
inline Real Norm(const Complex& a) {
    if (a.e == kZeroExp)
        return {};
    return Normalize(a.re * a.re + a.im * a.im, 2 * a.e);
}
// |a|, for bounds: within a few units in the last place.
inline Real Abs(const Complex& a) {
    return Sqrt(Norm(a));
}

}  // namespace zolt::ext
