#include "deep_brute_force.h"

#include <algorithm>
#include <sstream>

#include "engine/mp_real.h"

namespace zolt::test {

namespace {

int CountAt(const MpReal& cr, const MpReal& ci, int maxIter, double escape) {
    const long bits = cr.Precision();
    MpReal zr(cr), zi(ci), r2(bits), i2(bits), ri(bits), norm(bits);
    int i = 0;
    for (;;) {
        ++i;
        mpfr_sqr(r2.get(), zr.get(), MPFR_RNDN);
        mpfr_sqr(i2.get(), zi.get(), MPFR_RNDN);
        mpfr_mul(ri.get(), zr.get(), zi.get(), MPFR_RNDN);
        mpfr_sub(zr.get(), r2.get(), i2.get(), MPFR_RNDN);
        mpfr_add(zr.get(), zr.get(), cr.get(), MPFR_RNDN);
        mpfr_mul_2ui(ri.get(), ri.get(), 1, MPFR_RNDN);
        mpfr_add(zi.get(), ri.get(), ci.get(), MPFR_RNDN);
        if (i >= maxIter)
            return i;
        mpfr_sqr(r2.get(), zr.get(), MPFR_RNDN);
        mpfr_sqr(i2.get(), zi.get(), MPFR_RNDN);
        mpfr_add(norm.get(), r2.get(), i2.get(), MPFR_RNDN);
        if (mpfr_cmp_d(norm.get(), escape) > 0)
            return i;
    }
}

}  // namespace

BruteImage RenderBruteForce(const DeepView& view) {
    MpReal p0(64), p1(64), q0(64);
    p0.SetDecimal(view.pstart);
    p1.SetDecimal(view.pfinish);
    // Depth in bits, then everything again at depth + 128.
    MpReal dx(64 + p0.Precision());
    mpfr_sub(dx.get(), p1.get(), p0.get(), MPFR_RNDN);
    const long texts = std::max({view.pstart.size(), view.pfinish.size(), view.qstart.size()});
    const long depth = std::max(64L, 4 - static_cast<long>(mpfr_get_exp(dx.get())));
    const long bits = std::max(BitsForDigits(static_cast<std::size_t>(texts)), depth) + 128;
    for (MpReal* v : {&p0, &p1, &q0, &dx})
        *v = MpReal(bits);
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
