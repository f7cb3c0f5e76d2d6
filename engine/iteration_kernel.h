#pragma once

// Escape-time counts of many points at once, on the vector unit of the CPU.
//
// The counts equal IteratePoint (engine/iterate_point.h) bit for bit: every lane performs the
// same additions and multiplications in the same order, with no fused multiply-add, and applies
// the limit test before the escape test. Only the schedule differs: each lane of each vector
// carries one point, several vectors run interleaved so that the multiply latency is hidden, and
// a lane whose point has finished takes the next unstarted point at the end of the current block
// of 16 steps, so neighbours that escape at very different counts do not leave lanes idle. Each
// lane counts its own steps inside a block, so the block costs at most 15 idle steps per point,
// far less than leaving the vector loop at every escape.
//
// Instruction sets, chosen at run time (Google Highway's per-target compilation): AVX-512
// (F/VL/DQ/BW), AVX2 (with the FMA and BMI extensions it implies in practice, although the kernel
// uses no FMA), and two 128-bit ones, SSE4 (SSE4.2 with AES/CLMUL) and SSSE3. Highway has no
// SSE2-only target, so the 128-bit tier starts at SSSE3: x86-64 CPUs that stop at SSE2/SSE3
// (AMD K8/K10 up to 2011, Pentium 4 and D) run the portable scalar kernel, which is correct
// everywhere, only slower. No instruction beyond what the CPU reports (and the operating system
// enables) is ever executed: a kernel is listed only when Highway's CPU detection admits it.
//
// Pure computation: no locks, no allocation, no global state beyond the kernel chosen once.

#include <atomic>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace zolt {

// One compiled variant of the kernel. A default-constructed one is the portable scalar kernel,
// which runs everywhere; the others come only from AvailableKernels(), so a KernelTarget always
// names code this CPU can execute.
class KernelTarget {
  public:
    KernelTarget() = default;

    // "AVX-512", "AVX2", "SSE4", "SSSE3", "NEON" or "scalar".
    std::string_view Name() const;

    friend bool operator==(const KernelTarget&, const KernelTarget&) = default;

  private:
    friend struct KernelTargetAccess;
    explicit KernelTarget(std::int64_t id) : id_(id) {}
    std::int64_t id_ = 0;  // 0 stands for the portable kernel, otherwise one Highway target bit
};

// The kernels this CPU can run, best first; the last one is always the portable scalar kernel.
std::vector<KernelTarget> AvailableKernels();

// The best kernel of this CPU, detected on first use and then fixed for the process.
KernelTarget BestKernel();

// What ends a computation early, looked at every few thousand iterations: a stop, and a skip
// where skipping applies. Either may be none.
struct Interrupts {
    const std::atomic<bool>* stop = nullptr;
    const std::atomic<bool>* skip = nullptr;

    bool Requested() const {
        return (stop != nullptr && stop->load(std::memory_order_relaxed)) ||
               (skip != nullptr && skip->load(std::memory_order_relaxed));
    }
};

struct IterationLimits {
    int maxIter;
    double escape;  // compared with the squared modulus, as IteratePoint does
    // Ends orbits that come back exactly (== on both parts) to an earlier value: such an orbit
    // cycles forever without escaping, so its count is the limit result. Exact, unlike shape
    // tests of the cardioid and bulbs, and a large saving inside the set.
    bool periodicity = true;
};

// Writes to counts[k] the escape-time count of c = cr[k] + i ci[k], identical to
// IteratePoint(cr[k], ci[k], limits.maxIter, limits.escape) for every k. The three spans must
// have the same size (std::invalid_argument otherwise); they may hold several image rows, since
// each point carries its own ci.
//
// The kernel looks at the interrupts at least every 4096 iterations of its lanes and returns
// false as soon as one is requested: the counts are then incomplete and must be dropped.
// Returns true when every count is written.
bool IteratePoints(std::span<const double> cr, std::span<const double> ci, std::span<int> counts,
                   const IterationLimits& limits, const Interrupts& interrupts,
                   KernelTarget target = BestKernel());

// Where the orbits ended: for each point that escaped, the orbit's value at the step it escaped
// and, when dzr and dzi are given, its derivative dz/dc there (dz starts at 1 where z starts at
// c, and each step makes it 2 z dz + 1). Each span is empty or of the points' size; entries of
// points that did not escape are left unspecified.
//
// With `past` given, the value and the derivative may instead be those past[k] steps after the
// escape (at most 3), which the lanes make anyway before a finished one is refilled: that spares
// the kernel keeping every step's values. FinishOrbits follows an orbit on from either.
struct OrbitEnds {
    std::span<double> zr;
    std::span<double> zi;
    std::span<double> dzr;
    std::span<double> dzi;
    std::span<std::int32_t> past;
};

// IteratePoints that also writes where each orbit ended. The counts are those of IteratePoints,
// bit for bit; only the variant of the kernel differs, so the one above keeps its speed.
bool IteratePoints(std::span<const double> cr, std::span<const double> ci, std::span<int> counts,
                   const IterationLimits& limits, const Interrupts& interrupts, KernelTarget target,
                   const OrbitEnds& ends);

// The samples beyond the count that escaped orbits give from their ends (engine/point_samples.h):
// each orbit is followed on from the value IteratePoints recorded to a far radius, where its
// continuous count no longer depends on the escape bound, and its fraction taken there; with the
// derivative, the distance estimate too, in pixels. Values that lie past their escape count
// the steps they lie past it (OrbitEnds::past). The derivative dz/dc is multiplied by `scale`
// first, and the steps after the end add `step`: pass the pixel step for both with the kernel's
// derivative, or a derivative already in pixels (times the pixel step) with a scale of 1. Points
// whose count reached the limit, and orbits that never went far, get 0. `out.dex` and `out.dey`
// are written only when the ends hold the derivative.
struct OrbitSamples {
    std::span<float> fraction;
    std::span<float> dex;
    std::span<float> dey;
};
void FinishOrbits(std::span<const double> cr, std::span<const double> ci,
                  std::span<const int> counts, const OrbitEnds& ends, const IterationLimits& limits,
                  double scale, double step, const OrbitSamples& out,
                  KernelTarget target = BestKernel());

}  // namespace zolt
