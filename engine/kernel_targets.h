#pragma once

// What the files compiled once per instruction set (engine/iteration_kernel.cpp and
// engine/orbit_tail.cpp) share with each other and with engine/kernel_dispatch.cpp, which
// chooses between them: which targets they compile, and the plain arguments that pass between
// them. Included first by all three, before any Highway header.

#include <cstddef>
#include <cstdint>
#include <span>

// Only the targets the table of compiled kernels (iteration_kernel.cpp) knows. AVX3_DL adds nothing
// the kernel uses over AVX3, and the scalable Arm and RISC-V vectors cannot live in the arrays of
// vectors the interleaving keeps. Every target the compiler can reach, the portable one included,
// whatever -march the build uses: without it, a baseline above plain x86-64 (or any Arm build)
// drops the portable kernel.
#ifndef HWY_COMPILE_ALL_ATTAINABLE
#define HWY_COMPILE_ALL_ATTAINABLE
#endif
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS \
    (HWY_AVX3_DL | HWY_SVE | HWY_SVE2 | HWY_SVE_256 | HWY_SVE2_128 | HWY_RVV)
#endif

namespace zolt {
struct Interrupts;
}

namespace zolt::kernel {

// Where the variants that record ends write them; null where not asked for. One type for every
// target, so that all of them share the dispatch table's function type.
struct EndsOut {
    double* zr = nullptr;
    double* zi = nullptr;
    double* dzr = nullptr;
    double* dzi = nullptr;
    std::int32_t* past = nullptr;  // given: values may lie past the escape (OrbitEnds::past)
};

// What the finishing of orbits reads and writes, as FinishOrbits has it.
struct FinishArgs {
    const double* cr = nullptr;
    const double* ci = nullptr;
    const int* counts = nullptr;
    std::size_t n = 0;
    double limit = 1.0;  // counts from here on never escaped
    const double* zr = nullptr;
    const double* zi = nullptr;
    const std::int32_t* past = nullptr;  // none: every value is the escape's
    const double* dzr = nullptr;         // none: no distances
    const double* dzi = nullptr;
    double scale = 1.0;
    double step = 0.0;
    double log2LnBound = 0.0;  // see TailLog2LnBound
    float* fraction = nullptr;
    float* dex = nullptr;
    float* dey = nullptr;
};

// The entry points that each target's namespace defines, and engine/kernel_dispatch.cpp
// chooses between: IteratePoints and FinishOrbits (engine/iteration_kernel.h) once the arguments
// are checked.
using IterateFunction = bool(const double* cr, const double* ci, int* counts, std::size_t n,
                             int maxIter, double escape, bool periodicity,
                             const Interrupts& interrupts, const EndsOut& ends);
using FinishFunction = void(const FinishArgs& args);

// One compiled target.
struct KernelEntry {
    std::int64_t id;  // the Highway target bit, 0 for the portable kernel
    const char* name;
    IterateFunction* run;
    FinishFunction* finish;
};

// Every compiled target, best first, the portable one last (engine/iteration_kernel.cpp).
std::span<const KernelEntry> CompiledKernels();

}  // namespace zolt::kernel
