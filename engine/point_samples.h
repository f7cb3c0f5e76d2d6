#pragma once

// What the orbit of a point leaves beyond its count, and where it is kept: the engine computes
// these samples, the colour methods (colour/) turn them into pixels through SampleShader, and an
// image keeps them beside its pixels so that it can be coloured again without counting again.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/image_buffer.h"

namespace zolt {

// What is computed of each point; each level includes the ones before it.
enum class SampleLevel {
    Counts,    // the escape-time count
    Fraction,  // and the continuous count's fraction, from the orbit's value where it escaped
    Distance,  // and the distance estimate, from the orbit's derivative
};

// Where a counter writes the samples of its points: the counts always, the other spans when they
// are not empty (then of the points' size).
//
// fraction: count + fraction is the continuous count, which runs on without a step where
//   neighbouring points escape one iteration apart; the fraction lies about -1 to 0. It is
//   taken where the orbit has gone far beyond the escape bound, so a small bound blends as
//   smoothly as a large one; the count itself is the escape-time count, unchanged.
// dex, dey: the distance estimate as a vector, in pixels of the view: its length estimates how
//   far the point lies from the set (between about half and twice the true distance), and it
//   points away from the set, along the columns (dex) and down the rows (dey).
// Points that never escape have 0 in all three.
struct SampleSpans {
    std::span<int> counts;
    std::span<float> fraction;
    std::span<float> dex;
    std::span<float> dey;

    SampleLevel Level() const {
        return !dex.empty() ? SampleLevel::Distance
                            : (!fraction.empty() ? SampleLevel::Fraction : SampleLevel::Counts);
    }
};

// The samples of consecutive points, as a colour method reads them. The planes above the level
// the method needs may be missing (null).
struct SampleRun {
    const int* counts = nullptr;
    const float* fraction = nullptr;
    const float* dex = nullptr;
    const float* dey = nullptr;
    std::size_t size = 0;
};

// Colours points from their samples: the one door through which the colour methods reach the
// passes and the recolouring of an image. Shared by every thread of a pass, so it does not
// change once made.
class SampleShader {
  public:
    virtual ~SampleShader() = default;
    // The samples it reads.
    virtual SampleLevel Needs() const = 0;
    // Writes the colour of each point of the run to pixels[0 .. run.size).
    virtual void Shade(const SampleRun& run, Pixel* pixels) const = 0;
};

// The samples of an image, one plane each beside its pixels and laid out like them. Counts of 0
// mark pixels not computed yet: every finished count is at least 1.
struct SamplePlanes {
    SampleLevel level = SampleLevel::Counts;
    std::vector<int> counts;  // empty: the image keeps no samples
    std::vector<float> fraction;
    std::vector<float> dex;
    std::vector<float> dey;

    bool Held() const { return !counts.empty(); }
    // Planes for `pixels` points at `level`, every count 0; throws std::bad_alloc.
    void Allocate(SampleLevel planes, std::size_t pixels);
    void Clear();
    // The samples of points [from, from + size).
    SampleRun Run(std::size_t from, std::size_t size) const;
};

// How the samples come from an escaped orbit's end (FinishOrbits, engine/iteration_kernel.h):
// the orbit is followed on from its escape until |z|^2 passes kTailFarNorm, where its next value
// is its square to within 2^-24 of the modulus, so that the continuous count taken there is the
// limit's to about 1e-7 of a count, whatever the escape bound. That takes a few steps for any
// bound from 4 on; kMaxTailSteps bounds them for an orbit that a bound below 4 let out without
// its going anywhere.
inline constexpr double kTailFarNorm = 0x1p24;
inline constexpr int kMaxTailSteps = 64;
// The largest distance kept: far beyond any view, and well inside a float.
inline constexpr double kMaxSampleDistance = 1e30;

// log2(ln R) for R the root of the escape bound, at least 2: the fraction after s more steps is
// s - log2(ln|z|) + this, which runs on without a step where counts differ by one.
double TailLog2LnBound(double escape);

}  // namespace zolt
