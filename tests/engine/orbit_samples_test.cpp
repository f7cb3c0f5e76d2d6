// The samples beyond the count, as the plain counter computes them on every kernel: the
// continuous count and the distance estimate against the formulas in long double.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "engine/render_pass.h"

namespace zolt {
namespace {

using Complex = std::complex<long double>;

// z_j(c) of the orbit z_0 = c, z_{k+1} = z_k^2 + c.
Complex Orbit(Complex c, int steps) {
    Complex z = c;
    for (int k = 0; k < steps; ++k)
        z = z * z + c;
    return z;
}

struct Reference {
    int count = 0;
    double fraction = 0.0;
    std::complex<double> distance;
};

// The continuous count and the distance estimate as their formulas define them, in long
// double: the orbit followed until |z|^2 passes 2^24 (j steps in all), the fraction
// j - n - log2(ln|z| / ln R), and z ln|z| / z' in pixels, with z' = dz_j/dc by a central
// difference (independent of the recurrence the engine uses).
Reference Formula(double cr, double ci, int maxIter, double escape, double dx) {
    const Complex c(cr, ci);
    Reference r;
    Complex z = c;
    for (r.count = 1;; ++r.count) {
        z = z * z + c;
        if (r.count >= maxIter || std::norm(z) > escape)
            break;
    }
    if (r.count >= maxIter)
        return r;  // never escaped
    int j = r.count;
    while (std::norm(z) <= 0x1p24L) {
        z = z * z + c;
        ++j;
    }
    const long double lnZ = std::log(std::abs(z));
    const long double lnR = std::log(std::sqrt(static_cast<long double>(std::max(escape, 4.0))));
    r.fraction = static_cast<double>((j - r.count) - std::log2(lnZ / lnR));
    const long double h = 1e-7L * dx;
    const Complex derivative = (Orbit(c + h, j) - Orbit(c - h, j)) / (2 * h);
    const Complex e = z * lnZ / (derivative * static_cast<long double>(dx));
    r.distance = {static_cast<double>(e.real()), static_cast<double>(e.imag())};
    return r;
}

struct Sampled {
    std::vector<int> counts;
    std::vector<float> fraction, dex, dey;
};

Sampled Sample(const GenerationSnapshot& view, int width, int height, KernelTarget kernel) {
    std::vector<PixelPoint> points;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            points.push_back({x, y});
    const std::size_t n = points.size();
    Sampled s{std::vector<int>(n), std::vector<float>(n), std::vector<float>(n),
              std::vector<float>(n)};
    const PlainCounter counter(view, width, kernel);
    EXPECT_TRUE(counter.Sample(points, {s.counts, s.fraction, s.dex, s.dey}, {}));
    return s;
}

struct View {
    const char* name;
    GenerationSnapshot numbers;
    int width, height;
};

// Around the set (every distance and every fraction shape), with the usual bound, a small one
// (where the fraction needs the orbit followed further) and a large one.
const View kViews[] = {
    {"home", {-2.5, 1.25, -1.5, 0, 250, 200.0}, 64, 52},
    {"boundary", {-0.7453, -0.7433, 0.1127, 0, 2000, 200.0}, 40, 30},
    {"escape 4", {-2.5, 1.25, -1.5, 0, 250, 4.0}, 64, 52},
    {"escape 1e12", {-2.5, 1.25, -1.5, 0, 250, 1e12}, 64, 52},
};

TEST(OrbitSamples, MatchTheFormulasOnEveryKernel) {
    for (const View& view : kViews) {
        const double dx = (view.numbers.Pfinish - view.numbers.Pstart) / view.width;
        std::vector<Reference> references;
        for (int y = 0; y < view.height; ++y)
            for (int x = 0; x < view.width; ++x)
                references.push_back(Formula(x * dx + view.numbers.Pstart,
                                             y * dx + view.numbers.Qstart, view.numbers.Iterations,
                                             view.numbers.Escape, dx));
        for (const KernelTarget kernel : AvailableKernels()) {
            SCOPED_TRACE(std::string(view.name) + ", " + std::string(kernel.Name()));
            const Sampled s = Sample(view.numbers, view.width, view.height, kernel);
            int compared = 0;
            for (int y = 0; y < view.height; ++y) {
                for (int x = 0; x < view.width; ++x) {
                    const std::size_t k = static_cast<std::size_t>(y * view.width + x);
                    const Reference& r = references[k];
                    // Long orbits near the boundary are chaotic: doubles and long doubles part,
                    // and within a small part of a pixel of the set the difference quotient
                    // is no longer a derivative.
                    if (r.count >= view.numbers.Iterations || r.count > 60 ||
                        std::abs(r.distance) < 0.01)
                        continue;
                    ASSERT_EQ(s.counts[k], r.count) << x << "," << y;
                    ++compared;
                    EXPECT_NEAR(s.fraction[k], r.fraction, 1e-5) << x << "," << y;
                    const std::complex<double> e(s.dex[k], s.dey[k]);
                    EXPECT_LT(std::abs(e - r.distance), 1e-4 * std::abs(r.distance))
                        << x << "," << y << ": " << e << " vs " << r.distance;
                }
            }
            EXPECT_GT(compared, view.width * view.height / 4);
        }
    }
}

// Where every point escapes, neighbours whose counts differ by one differ by a small part of a
// band in the continuous count: the band edges are gone.
TEST(OrbitSamples, TheContinuousCountHasNoBandEdges) {
    for (const double escape : {4.0, 200.0, 1e12}) {
        // Above the set's left end, where counts run from 1 to a dozen.
        const GenerationSnapshot outside{-2.2, -1.4, 0.3, 0, 250, escape};
        const int width = 400, height = 200;
        const Sampled s = Sample(outside, width, height, BestKernel());
        int edges = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x + 1 < width; ++x) {
                const std::size_t k = static_cast<std::size_t>(y * width + x);
                ASSERT_LT(s.counts[k], outside.Iterations) << x << "," << y;
                if (std::abs(s.counts[k] - s.counts[k + 1]) != 1)
                    continue;
                ++edges;
                EXPECT_LT(std::fabs((s.counts[k] + s.fraction[k]) -
                                    (s.counts[k + 1] + s.fraction[k + 1])),
                          0.05)
                    << escape << " at " << x << "," << y;
            }
        }
        EXPECT_GT(edges, 200) << escape;
    }
}

}  // namespace
}  // namespace zolt
