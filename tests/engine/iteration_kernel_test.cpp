#include "engine/iteration_kernel.h"

#include <gtest/gtest.h>
#include <hwy/targets.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "engine/iterate_point.h"
#include "engine/kernel_targets.h"

namespace zolt {
namespace {

struct Case {
    std::string name;
    std::vector<double> cr, ci;
    int maxIter;
    double escape;
};

// A view of width x height points, as the renderer lays them out.
Case ViewCase(std::string name, double Pstart, double Pfinish, double Qstart, int maxIter,
              int width, int height, double escape = 200.0) {
    Case c{std::move(name), {}, {}, maxIter, escape};
    const double dx = (Pfinish - Pstart) / width;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            c.cr.push_back(x * dx + Pstart);
            c.ci.push_back(y * dx + Qstart);
        }
    }
    return c;
}

Case Head(Case c, std::size_t n, std::string name) {
    c.name = std::move(name);
    c.cr.resize(n);
    c.ci.resize(n);
    return c;
}

std::vector<Case> Cases() {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case home = ViewCase("home", -2.5, 1.25, -1.5, 250, 190, 155);
    std::vector<Case> cases = {
        home,
        ViewCase("boundary", -0.7453, -0.7433, 0.1127, 5000, 80, 60),
        ViewCase("spiral", -0.743650, -0.743640, 0.131820, 5000, 64, 48),
        // Many points of the home view escape exactly at step 7, which must count as the limit.
        ViewCase("limit 7", -2.5, 1.25, -1.5, 7, 95, 78),
        ViewCase("tiny escape", -2.5, 1.25, -1.5, 250, 60, 50, 1e-300),
        ViewCase("negative escape", -2.5, 1.25, -1.5, 250, 30, 20, -1.0),
        ViewCase("huge escape", -2.5, 1.25, -1.5, 250, 60, 50, 1e300),
        ViewCase("infinite escape", -2.5, 1.25, -1.5, 100, 30, 20, inf),
        ViewCase("one iteration", -2.5, 1.25, -1.5, 1, 30, 20),
        ViewCase("two iterations", -2.5, 1.25, -1.5, 2, 30, 20),
        ViewCase("no iterations", -2.5, 1.25, -1.5, 0, 13, 3),
        ViewCase("negative iterations", -2.5, 1.25, -1.5, -5, 13, 3),
        // Long orbits near the neck and in the set, across many blocks and stop checks.
        ViewCase("100000 iterations", -0.7502, -0.7498, 0.0001, 100000, 37, 1),
        // Cycles of several periods, preperiodic points, a slowly converging parabolic point,
        // zeros of both signs, a subnormal, NaN and infinity.
        {"special points",
         {0.0, -1.0, -2.0, 0.0, 0.25, -0.1225611668766536, -1.75, -0.0, 0.3, nan, 0.0, -1.0, inf,
          -0.75, -1.3107026413368328},
         {0.0, 0.0, 0.0, 1.0, 0.0, 0.7448617666197442, 0.0, -0.0, 4.9e-324, 0.0, nan, -0.0, 0.0,
          0.0, 0.0},
         20000,
         4.0},
    };
    // The same under a bound past which escaped orbits only grow.
    Case special = cases.back();
    special.name += ", bound 200";
    special.escape = 200.0;
    cases.push_back(special);
    // Counts that fill the vectors exactly, leave a partial one, or are a single point.
    for (std::size_t n : {0, 1, 2, 3, 5, 8, 9, 17, 31, 33, 65, 97})
        cases.push_back(Head(home, n, std::to_string(n) + " points"));
    return cases;
}

// The engine asks the compiler's CPU check which kernels may run; Highway's own check is the
// reference. A kernel offered wrongly would die of an illegal instruction; one withheld, run slow.
TEST(IterationKernel, TheKernelsOfferedAreThoseHighwayFindsTheCpuRuns) {
    const std::int64_t supported = hwy::SupportedTargets();
    std::vector<std::string_view> expected;
    for (const kernel::KernelEntry& entry : kernel::CompiledKernels()) {
        if (entry.id == 0 || (entry.id & supported) != 0)
            expected.push_back(entry.name);
    }
    std::vector<std::string_view> offered;
    for (const KernelTarget kernel : AvailableKernels())
        offered.push_back(kernel.Name());
    EXPECT_EQ(offered, expected);
}

TEST(IterationKernel, EveryKernelCountsAsThePlainLoop) {
    const std::vector<KernelTarget> kernels = AvailableKernels();
    ASSERT_FALSE(kernels.empty());
    EXPECT_EQ(kernels.back(), KernelTarget());
    EXPECT_EQ(kernels.back().Name(), "scalar");
    EXPECT_EQ(kernels.front(), BestKernel());

    int atLimit = 0;  // points escaping exactly at the limit, which the cases must contain
    for (const Case& c : Cases()) {
        std::vector<int> expected;
        for (std::size_t k = 0; k < c.cr.size(); ++k) {
            expected.push_back(IteratePoint(c.cr[k], c.ci[k], c.maxIter, c.escape));
            if (expected.back() == c.maxIter &&
                IteratePoint(c.cr[k], c.ci[k], c.maxIter + 1, c.escape) == c.maxIter)
                ++atLimit;
        }
        for (const KernelTarget kernel : kernels) {
            for (const bool periodicity : {false, true}) {
                SCOPED_TRACE(c.name + ", " + std::string(kernel.Name()) +
                             (periodicity ? ", periodicity" : ", full loop"));
                std::vector<int> counts(c.cr.size(), -1);
                const std::atomic<bool> stop{false};
                EXPECT_TRUE(IteratePoints(c.cr, c.ci, counts, {c.maxIter, c.escape, periodicity},
                                          {&stop}, kernel));
                for (std::size_t k = 0; k < counts.size(); ++k)
                    ASSERT_EQ(counts[k], expected[k])
                        << "point " << k << ": " << c.cr[k] << ", " << c.ci[k];
            }
        }
    }
    EXPECT_GT(atLimit, 0);
}

// The plain loop again, keeping the orbit's value and derivative (dz' = 2 z dz + 1 from dz = 1)
// at the step it escaped.
struct End {
    int count = 0;
    double zr = 0, zi = 0, dzr = 1, dzi = 0;
};
void Step(End& end, double cr, double ci) {
    const double dzr = (end.zr * end.dzr - end.zi * end.dzi) * 2 + 1;
    end.dzi = (end.zr * end.dzi + end.zi * end.dzr) * 2;
    end.dzr = dzr;
    const double zr = end.zr * end.zr - end.zi * end.zi + cr;
    end.zi = (end.zi * end.zr) * 2 + ci;
    end.zr = zr;
}
End PlainEnd(double cr, double ci, int maxIter, double escape) {
    End end{0, cr, ci};
    for (;;) {
        ++end.count;
        Step(end, cr, ci);
        if (end.count >= maxIter || end.zr * end.zr + end.zi * end.zi > escape)
            return end;
    }
}

// The variants that record where orbits ended count exactly as the one that does not, and catch
// each orbit at the very step it escaped, bit for bit, though the lanes step on past it; or,
// where they may say how far past the escape they caught it, at most three steps past it.
TEST(IterationKernel, OrbitEndsAreThoseOfTheEscapeStepOrSaySoAfterIt) {
    for (const Case& c : Cases()) {
        const std::size_t n = c.cr.size();
        for (const KernelTarget kernel : AvailableKernels()) {
            for (const bool derivative : {false, true}) {
                for (const bool mayPass : {false, true}) {
                    SCOPED_TRACE(c.name + ", " + std::string(kernel.Name()) +
                                 (derivative ? ", derivative" : ", value") +
                                 (mayPass ? ", may pass" : ""));
                    std::vector<int> counts(n, -1);
                    std::vector<double> zr(n), zi(n), dzr(derivative ? n : 0), dzi(dzr.size());
                    std::vector<std::int32_t> past(mayPass ? n : 0, -1);
                    ASSERT_TRUE(IteratePoints(c.cr, c.ci, counts, {c.maxIter, c.escape}, {}, kernel,
                                              {zr, zi, dzr, dzi, past}));
                    for (std::size_t k = 0; k < n; ++k) {
                        End end = PlainEnd(c.cr[k], c.ci[k], c.maxIter, c.escape);
                        ASSERT_EQ(counts[k], IteratePoint(c.cr[k], c.ci[k], c.maxIter, c.escape));
                        if (counts[k] >= std::max(c.maxIter, 1))
                            continue;
                        if (mayPass) {
                            ASSERT_GE(past[k], 0) << k;
                            ASSERT_LE(past[k], 3) << k;
                            for (int step = 0; step < past[k]; ++step)
                                Step(end, c.cr[k], c.ci[k]);
                        }
                        ASSERT_EQ(zr[k], end.zr) << k;
                        ASSERT_EQ(zi[k], end.zi) << k;
                        if (derivative) {
                            ASSERT_EQ(dzr[k], end.dzr) << k;
                            ASSERT_EQ(dzi[k], end.dzi) << k;
                        }
                    }
                }
            }
        }
    }
}

TEST(IterationKernel, AStopOrSkipSetBeforeEndsTwoBillionIterationsAtOnce) {
    const std::vector<double> cr(100, 0.0), ci(100, 0.0);
    std::vector<int> counts(100);
    const std::atomic<bool> set{true};
    for (const KernelTarget kernel : AvailableKernels()) {
        for (const Interrupts interrupts : {Interrupts{&set, nullptr}, Interrupts{nullptr, &set}}) {
            const auto before = std::chrono::steady_clock::now();
            EXPECT_FALSE(
                IteratePoints(cr, ci, counts, {2000000000, 200.0, false}, interrupts, kernel))
                << kernel.Name();
            EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
        }
    }
}

TEST(IterationKernel, SpansOfDifferentSizesAreRefused) {
    const std::vector<double> cr(3, 0.0), ci(2, 0.0);
    std::vector<int> counts(3);
    EXPECT_THROW(IteratePoints(cr, ci, counts, {100, 4.0}, {}), std::invalid_argument);
    std::vector<double> ends(3);
    EXPECT_THROW(IteratePoints(ci, ci, std::span(counts).first(2), {100, 4.0}, {}, BestKernel(),
                               {ends, ends, {}, {}, {}}),
                 std::invalid_argument);
}

}  // namespace
}  // namespace zolt
