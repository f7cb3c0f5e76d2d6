// The kernels' public face: which of the compiled kernels (kernel::CompiledKernels, in
// engine/iteration_kernel.cpp) this CPU can run, and the checks of the arguments before one runs.

#include "engine/kernel_targets.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include <hwy/detect_targets.h>  // the targets' numbers

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include "engine/iteration_kernel.h"
#include "engine/point_samples.h"

namespace zolt {

namespace {

using kernel::KernelEntry;

const KernelEntry& EntryOf(std::int64_t id) {
    const std::span<const KernelEntry> kernels = kernel::CompiledKernels();
    for (const KernelEntry& entry : kernels) {
        if (entry.id == id)
            return entry;
    }
    return kernels.back();
}

#if defined(__x86_64__) || defined(__i386__)
// The half-precision conversions, which clang's CPU check cannot name: CPUID leaf 1, ECX bit 29.
bool HasF16c() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0 && (ecx & bit_F16C) != 0;
}
#endif

// Whether this CPU, and the system (which must save the wider registers), can run the code
// compiled for a target: every feature that target's code is compiled with. The compiler's own
// check rather than Highway's, because Highway's library measures its timer in a constructor at
// every program start, some 2 ms: a tenth of a whole small picture, and all of it on one core.
bool CpuRuns(std::int64_t id) {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();  // in case this runs before the constructor that does it
    const bool ssse3 = __builtin_cpu_supports("sse2") && __builtin_cpu_supports("ssse3");
    const bool sse4 = ssse3 && __builtin_cpu_supports("sse4.1") &&
                      __builtin_cpu_supports("sse4.2") && __builtin_cpu_supports("pclmul") &&
                      __builtin_cpu_supports("aes");
    const bool avx2 = sse4 && __builtin_cpu_supports("avx") && __builtin_cpu_supports("avx2") &&
                      __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
                      __builtin_cpu_supports("fma") && HasF16c();
    const bool avx3 = avx2 && __builtin_cpu_supports("avx512f") &&
                      __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq") &&
                      __builtin_cpu_supports("avx512bw");
    return (id == HWY_SSSE3 && ssse3) || (id == HWY_SSE4 && sse4) || (id == HWY_AVX2 && avx2) ||
           (id == HWY_AVX3 && avx3);
#elif defined(__aarch64__)
    return id == HWY_NEON;  // every 64-bit Arm has it
#else
    (void)id;
    return false;  // the portable kernel only
#endif
}

}  // namespace

struct KernelTargetAccess {
    static KernelTarget Make(std::int64_t id) { return KernelTarget(id); }
    static std::int64_t Id(KernelTarget target) { return target.id_; }
};

std::string_view KernelTarget::Name() const {
    return EntryOf(id_).name;
}

std::vector<KernelTarget> AvailableKernels() {
    std::vector<KernelTarget> kernels;
    for (const KernelEntry& entry : kernel::CompiledKernels()) {
        if (entry.id == 0 || CpuRuns(entry.id))
            kernels.push_back(KernelTargetAccess::Make(entry.id));
    }
    return kernels;
}

KernelTarget BestKernel() {
    static const KernelTarget best = AvailableKernels().front();
    return best;
}

bool IteratePoints(std::span<const double> cr, std::span<const double> ci, std::span<int> counts,
                   const IterationLimits& limits, const Interrupts& interrupts,
                   KernelTarget target) {
    return IteratePoints(cr, ci, counts, limits, interrupts, target, {});
}

bool IteratePoints(std::span<const double> cr, std::span<const double> ci, std::span<int> counts,
                   const IterationLimits& limits, const Interrupts& interrupts, KernelTarget target,
                   const OrbitEnds& ends) {
    const std::size_t n = counts.size();
    const auto fits = [n](std::span<double> span) { return span.empty() || span.size() == n; };
    if (cr.size() != ci.size() || cr.size() != n)
        throw std::invalid_argument("IteratePoints: cr, ci and counts differ in size");
    if (!fits(ends.zr) || !fits(ends.zi) || !fits(ends.dzr) || !fits(ends.dzi) ||
        !(ends.past.empty() || ends.past.size() == n) || ends.zr.empty() != ends.zi.empty() ||
        ends.dzr.empty() != ends.dzi.empty() || (ends.zr.empty() && !ends.dzr.empty()) ||
        (ends.zr.empty() && !ends.past.empty()))
        throw std::invalid_argument("IteratePoints: the orbit ends do not match the points");
    const auto data = [](std::span<double> span) { return span.empty() ? nullptr : span.data(); };
    const kernel::EndsOut out{data(ends.zr), data(ends.zi), data(ends.dzr), data(ends.dzi),
                              ends.past.empty() ? nullptr : ends.past.data()};
    return EntryOf(KernelTargetAccess::Id(target))
        .run(cr.data(), ci.data(), counts.data(), n, limits.maxIter, limits.escape,
             limits.periodicity, interrupts, out);
}

void FinishOrbits(std::span<const double> cr, std::span<const double> ci,
                  std::span<const int> counts, const OrbitEnds& ends, const IterationLimits& limits,
                  double scale, double step, const OrbitSamples& out, KernelTarget target) {
    const std::size_t n = counts.size();
    const bool distance = !ends.dzr.empty();
    const auto fits = [n](std::size_t size) { return size == n; };
    if (!fits(cr.size()) || !fits(ci.size()) || !fits(ends.zr.size()) || !fits(ends.zi.size()) ||
        !fits(out.fraction.size()) || !(ends.past.empty() || fits(ends.past.size())) ||
        (distance && (!fits(ends.dzi.size()) || !fits(out.dex.size()) || !fits(out.dey.size()))))
        throw std::invalid_argument("FinishOrbits: the spans differ in size");
    kernel::FinishArgs args{cr.data(),
                            ci.data(),
                            counts.data(),
                            n,
                            static_cast<double>(std::max(limits.maxIter, 1)),
                            ends.zr.data(),
                            ends.zi.data(),
                            ends.past.empty() ? nullptr : ends.past.data(),
                            distance ? ends.dzr.data() : nullptr,
                            distance ? ends.dzi.data() : nullptr,
                            scale,
                            step,
                            TailLog2LnBound(limits.escape),
                            out.fraction.data(),
                            distance ? out.dex.data() : nullptr,
                            distance ? out.dey.data() : nullptr};
    EntryOf(KernelTargetAccess::Id(target)).finish(args);
}

}  // namespace zolt
