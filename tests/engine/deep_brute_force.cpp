#include "deep_brute_force.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <tuple>

#include "engine/mp_real.h"

namespace zolt::test {

namespace {

// The orbit z_0 = c, z_{k+1} = z_k^2 + c, in MPFR at c's precision.
class MpOrbit {
  public:
    MpOrbit(const MpReal& cr, const MpReal& ci)
        : cr_(cr), ci_(ci), zr(cr), zi(ci), r2_(Bits()), i2_(Bits()), ri_(Bits()), norm_(Bits()) {}

    void Step() {
        mpfr_sqr(r2_.get(), zr.get(), MPFR_RNDN);
        mpfr_sqr(i2_.get(), zi.get(), MPFR_RNDN);
        mpfr_mul(ri_.get(), zr.get(), zi.get(), MPFR_RNDN);
        mpfr_sub(zr.get(), r2_.get(), i2_.get(), MPFR_RNDN);
        mpfr_add(zr.get(), zr.get(), cr_.get(), MPFR_RNDN);
        mpfr_mul_2ui(ri_.get(), ri_.get(), 1, MPFR_RNDN);
        mpfr_add(zi.get(), ri_.get(), ci_.get(), MPFR_RNDN);
    }
    void Steps(int steps) {
        for (int k = 0; k < steps; ++k)
            Step();
    }
    // |z|^2
    const MpReal& Norm() {
        mpfr_sqr(r2_.get(), zr.get(), MPFR_RNDN);
        mpfr_sqr(i2_.get(), zi.get(), MPFR_RNDN);
        mpfr_add(norm_.get(), r2_.get(), i2_.get(), MPFR_RNDN);
        return norm_;
    }

  private:
    long Bits() const { return cr_.Precision(); }
    const MpReal& cr_;
    const MpReal& ci_;

  public:
    MpReal zr, zi;

  private:
    MpReal r2_, i2_, ri_, norm_;
};

int CountAt(const MpReal& cr, const MpReal& ci, int maxIter, double escape) {
    MpOrbit orbit(cr, ci);
    for (int i = 1;; ++i) {
        orbit.Step();
        if (i >= maxIter || mpfr_cmp_d(orbit.Norm().get(), escape) > 0)
            return i;
    }
}

// The precision of a view's brute force: 128 bits more than its depth, or than its texts hold.
long ViewBits(const DeepView& view) {
    MpReal p0(64), p1(64);
    p0.SetDecimal(view.pstart);
    p1.SetDecimal(view.pfinish);
    MpReal dx(64 + p0.Precision());
    mpfr_sub(dx.get(), p1.get(), p0.get(), MPFR_RNDN);
    const long texts = std::max({view.pstart.size(), view.pfinish.size(), view.qstart.size()});
    const long depth = std::max(64L, 4 - static_cast<long>(mpfr_get_exp(dx.get())));
    return std::max(BitsForDigits(static_cast<std::size_t>(texts)), depth) + 128;
}

}  // namespace

BruteSamples BruteOrbitSamples(const DeepView& view, int x, int y) {
    const long bits = ViewBits(view);
    MpReal p0(bits), p1(bits), q0(bits), dx(bits), cr(bits), ci(bits);
    p0.SetDecimal(view.pstart);
    p1.SetDecimal(view.pfinish);
    q0.SetDecimal(view.qstart);
    mpfr_sub(dx.get(), p1.get(), p0.get(), MPFR_RNDN);
    mpfr_div_si(dx.get(), dx.get(), view.width, MPFR_RNDN);
    mpfr_mul_si(cr.get(), dx.get(), x, MPFR_RNDN);
    mpfr_add(cr.get(), cr.get(), p0.get(), MPFR_RNDN);
    mpfr_mul_si(ci.get(), dx.get(), y, MPFR_RNDN);
    mpfr_add(ci.get(), ci.get(), q0.get(), MPFR_RNDN);

    BruteSamples samples;
    samples.count = CountAt(cr, ci, view.maxIter, view.escape);
    if (samples.count >= view.maxIter)
        return samples;
    MpOrbit orbit(cr, ci);
    orbit.Steps(samples.count);
    int steps = samples.count;
    for (; orbit.Norm().ToDouble() <= 0x1p24; ++steps)
        orbit.Step();
    const MpReal& zr = orbit.zr;
    const MpReal& zi = orbit.zi;
    MpReal lnZ(bits), t(bits);
    mpfr_hypot(lnZ.get(), zr.get(), zi.get(), MPFR_RNDN);
    mpfr_log(lnZ.get(), lnZ.get(), MPFR_RNDN);
    const double lnR = std::log(std::sqrt(std::max(view.escape, 4.0)));
    samples.fraction = (steps - samples.count) - std::log2(lnZ.ToDouble() / lnR);

    // q = (z(c + h) - z(c - h)) / (2 h) * dx, with h a hundred-millionth of a pixel.
    MpReal h(bits), ar(bits), br(bits), qr(bits), qi(bits);
    mpfr_div_ui(h.get(), dx.get(), 100000000, MPFR_RNDN);
    mpfr_add(ar.get(), cr.get(), h.get(), MPFR_RNDN);
    mpfr_sub(br.get(), cr.get(), h.get(), MPFR_RNDN);
    MpOrbit above(ar, ci), below(br, ci);
    above.Steps(steps);
    below.Steps(steps);
    mpfr_mul_2ui(h.get(), h.get(), 1, MPFR_RNDN);
    for (auto [q, a, b] :
         {std::tuple{&qr, &above.zr, &below.zr}, std::tuple{&qi, &above.zi, &below.zi}}) {
        mpfr_sub(q->get(), a->get(), b->get(), MPFR_RNDN);
        mpfr_div(q->get(), q->get(), h.get(), MPFR_RNDN);
        mpfr_mul(q->get(), q->get(), dx.get(), MPFR_RNDN);
    }
    // z ln|z| conj(q) / |q|^2
    MpReal q2(bits), er(bits), ei(bits);
    mpfr_sqr(q2.get(), qr.get(), MPFR_RNDN);
    mpfr_sqr(t.get(), qi.get(), MPFR_RNDN);
    mpfr_add(q2.get(), q2.get(), t.get(), MPFR_RNDN);
    mpfr_mul(er.get(), zr.get(), qr.get(), MPFR_RNDN);
    mpfr_mul(t.get(), zi.get(), qi.get(), MPFR_RNDN);
    mpfr_add(er.get(), er.get(), t.get(), MPFR_RNDN);
    mpfr_mul(ei.get(), zi.get(), qr.get(), MPFR_RNDN);
    mpfr_mul(t.get(), zr.get(), qi.get(), MPFR_RNDN);
    mpfr_sub(ei.get(), ei.get(), t.get(), MPFR_RNDN);
    for (MpReal* e : {&er, &ei}) {
        mpfr_mul(e->get(), e->get(), lnZ.get(), MPFR_RNDN);
        mpfr_div(e->get(), e->get(), q2.get(), MPFR_RNDN);
    }
    samples.dex = er.ToDouble();
    samples.dey = ei.ToDouble();
    return samples;
}

BruteImage RenderBruteForce(const DeepView& view) {
    const long bits = ViewBits(view);
    MpReal p0(bits), p1(bits), q0(bits), dx(bits);
    p0.SetDecimal(view.pstart);
    p1.SetDecimal(view.pfinish);
    q0.SetDecimal(view.qstart);
    mpfr_sub(dx.get(), p1.get(), p0.get(), MPFR_RNDN);
    mpfr_div_si(dx.get(), dx.get(), view.width, MPFR_RNDN);
    MpReal nudge(bits);
    mpfr_div_ui(nudge.get(), dx.get(), 1000000, MPFR_RNDN);

    BruteImage image;
    image.view = view;
    MpReal cr(bits), ci(bits), r(bits), i(bits);
    for (int y = 0; y < view.height; ++y) {
        mpfr_mul_si(ci.get(), dx.get(), y, MPFR_RNDN);
        mpfr_add(ci.get(), ci.get(), q0.get(), MPFR_RNDN);
        for (int x = 0; x < view.width; ++x) {
            mpfr_mul_si(cr.get(), dx.get(), x, MPFR_RNDN);
            mpfr_add(cr.get(), cr.get(), p0.get(), MPFR_RNDN);
            const int n = CountAt(cr, ci, view.maxIter, view.escape);
            bool stable = true;
            for (int k = 0; k < 4 && stable; ++k) {
                r = cr;
                i = ci;
                MpReal& moved = k < 2 ? r : i;
                if (k % 2 == 0)
                    mpfr_add(moved.get(), moved.get(), nudge.get(), MPFR_RNDN);
                else
                    mpfr_sub(moved.get(), moved.get(), nudge.get(), MPFR_RNDN);
                stable = CountAt(r, i, view.maxIter, view.escape) == n;
            }
            image.counts.push_back(stable ? n : -n);
        }
    }
    return image;
}

std::string WriteBruteImage(const BruteImage& image) {
    std::ostringstream out;
    const DeepView& v = image.view;
    out << "pstart " << v.pstart << "\npfinish " << v.pfinish << "\nqstart " << v.qstart
        << "\nsize " << v.width << ' ' << v.height << "\nmaxIter " << v.maxIter << "\nescape "
        << v.escape << '\n';
    for (int y = 0; y < v.height; ++y) {
        for (int x = 0; x < v.width; ++x)
            out << (x ? " " : "") << image.counts[static_cast<std::size_t>(y * v.width + x)];
        out << '\n';
    }
    return out.str();
}

bool ReadBruteImage(const std::string& text, BruteImage& out) {
    std::istringstream in(text);
    std::string word;
    BruteImage image;
    DeepView& v = image.view;
    if (!(in >> word >> v.pstart >> word >> v.pfinish >> word >> v.qstart >> word >> v.width >>
          v.height >> word >> v.maxIter >> word >> v.escape))
        return false;
    int n = 0;
    while (in >> n)
        image.counts.push_back(n);
    if (v.width < 1 || v.height < 1 ||
        image.counts.size() != static_cast<std::size_t>(v.width) * v.height)
        return false;
    out = std::move(image);
    return true;
}

}  // namespace zolt::test
