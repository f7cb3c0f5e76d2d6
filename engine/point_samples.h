#pragma once

// What the orbit of a point leaves beyond its count, and where it is kept: the engine computes
// these samples, the colour methods (colour/) turn them into pixels through SampleShader, and an
// image keeps them beside its pixels so that it can be coloured again without counting again.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/ext_float.h"
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

// How an escaped orbit's end becomes its samples, for an escape bound: the orbit is followed on
// from its escape to a far radius (a few steps at most for any bound from 4 on), where the
// continuous count no longer depends on the bound.
class OrbitTail {
  public:
    explicit OrbitTail(double escape);

    struct Samples {
        float fraction = 0.0f;
        float dex = 0.0f;
        float dey = 0.0f;
    };

    // The orbit of c = cr + i ci, whose value at its escape was z. With `distance`, dz is its
    // derivative dz/dc there and dx the pixel step: the distance estimate is given too.
    Samples Finish(double zr, double zi, double cr, double ci, bool distance, double dzr = 0.0,
                   double dzi = 0.0, double dx = 1.0) const;
    // The same for a derivative beyond the doubles' range, and a pixel step with its own
    // exponent, as the deep engine holds them.
    Samples FinishDeep(double zr, double zi, double cr, double ci, bool distance,
                       ext::Complex dz = {}, ext::Real dx = {}) const;

  private:
    // The fraction once the orbit is far out after `steps` more steps; false when the orbit
    // never really escaped (a bound below 4 lets bounded orbits out).
    bool Fraction(double zr, double zi, double norm, int steps, double& lnModulus,
                  Samples& samples) const;

    double log2LnBound_;  // log2 of ln R, R = sqrt(bound) and at least 2
};

}  // namespace zolt
