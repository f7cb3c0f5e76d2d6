#pragma once

// Escape-time counts of views far below double precision (down to pixel steps of about
// 1e-20000), by perturbation around one reference orbit.
//
// Counting rule: the same as IteratePoint (engine/iterate_point.h): the orbit starts at c
// itself, the limit test comes before the escape test, the squared modulus is compared with
// the escape value, and an iteration limit of 1 or less gives 1. A count of 0 means stopped.
//
// How it works:
// - The reference orbit of the pixel at (width / 2, height / 2) is computed once in MPFR, with
//   64 bits more than the view's depth needs, and kept as doubles (values below the double
//   range are kept apart with a separate exponent).
// - Each pixel iterates its difference dz from the reference in doubles,
//   dz' = 2 Z dz + dz^2 + dc. Whenever the full value |Z + dz| becomes smaller than |dz|, or
//   the reference ends (it escaped, or this is its last value), the difference is rebased to
//   the start of the reference: dz becomes the full value and the reference index goes back to
//   0. This keeps the difference smaller than the orbit itself, which avoids the glitches of
//   plain perturbation with a single reference.
// - While |dz| is small the step is nearly linear; tables of merged linear steps (bilinear
//   approximation, dz -> A dz + B dc), of power-of-two lengths and from the start of the
//   reference to each later value, skip up to thousands of steps at once, taken only while
//   the dropped quadratic part of every skipped step stays below DeepOptions::blaThreshold
//   times its linear part, and never across a reference value near the escape bound.
// - Differences below 2^-450 are held with a separate 64-bit exponent, so dc can go far below
//   the smallest double; above that plain doubles run at full speed.
//
// Threads: Prepare changes the reference and must run alone. Once prepared, the reference is
// read only: DeepIteratePoint and ComputeDeepCounts may run on any number of threads at once.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "engine/deep_view.h"
#include "engine/point_samples.h"

namespace zolt {

struct DeepPrepared;
struct DeepOrbitEnd;

// The longest iteration limit the deep engine takes: its reference keeps about 42 bytes for
// each iteration, and at most 100 MB more for runs from its start (1.5 GB at this limit); while
// its skip table is built it takes about 54 bytes an iteration (AssessDeepView counts that).
inline constexpr int kMaxDeepIterations = (1 << 25) - 2;
// The most bits of reference precision: pixel steps down to about 1e-21000 near the origin.
inline constexpr long kMaxDeepPrecision = 70000;

struct DeepOptions {
    // Skips are taken while the quadratic part dropped from each skipped step is at most this
    // fraction of its linear part. Measured on the tests' views from 1e-50 to 1e-1000 wide
    // (DeepEngineData.DISABLED_MeasureSkipThreshold), counting pixels whose count differs from
    // unskipped iteration and from a stable brute-force count: 2^-8 gets about 1% wrong,
    // 2^-12 0.1%, 2^-16 0.03%, 2^-20 and below none in 27,648. Skips cost no more time at
    // 2^-40, which leaves a wide margin.
    double blaThreshold = 0x1p-40;
    // Without skips every step is iterated: slower, for tests and measurements.
    bool useBla = true;
    bool operator==(const DeepOptions&) const = default;
};

// What the engine needs for a view, known before it computes anything of it.
struct DeepNeeds {
    // Why the engine cannot draw the view; empty when it can.
    std::string refusal;
    // Refused for its depth alone: no precision the engine has reaches it.
    bool tooDeep = false;
    // For a view it takes: the reference's precision, and the most memory the reference and its
    // skip tables take at once (a reference that escapes early takes less).
    long bits = 0;
    std::uint64_t referenceBytes = 0;
};

// The checks Prepare makes before it computes anything, without computing: the same refusals,
// with the same reasons.
DeepNeeds AssessDeepView(const DeepView& view);

// Receives the fraction of the reference computed so far, from 0 to 1, a few hundred times at
// most during one Prepare (on the thread that runs Prepare).
using DeepProgress = std::function<void(double fraction)>;

enum class DeepStatus {
    Ready,    // counts can be computed
    Stopped,  // the stop flag was seen; Prepare again with the same view resumes
    Refused,  // the view cannot be drawn this way: Error() says why
};

class DeepReference {
  public:
    DeepReference();
    ~DeepReference();
    DeepReference(DeepReference&&) noexcept;
    DeepReference& operator=(DeepReference&&) noexcept;
    DeepReference(const DeepReference&) = delete;
    DeepReference& operator=(const DeepReference&) = delete;

    // Computes the reference orbit and the skip table for `view`, looking at `stop` (may be
    // null) after every reference step. Work already done for the same coordinates, size,
    // escape value and options is kept: a reference that was stopped resumes where it stopped,
    // a finished one is reused at once, and a higher iteration limit only extends it.
    DeepStatus Prepare(const DeepView& view, const std::atomic<bool>* stop = nullptr,
                       const DeepProgress& progress = {}, const DeepOptions& options = {});

    // Prepared for exactly this view (and so ready for counts).
    bool Serves(const DeepView& view) const;
    bool Ready() const;
    // Why the last Prepare refused the view; empty otherwise.
    const std::string& Error() const;

    // The view it was last prepared for.
    const DeepView& View() const;
    // Values of the reference orbit kept (from 0 and c itself on): the iteration limit plus
    // two, or fewer when the reference escaped.
    int ReferenceLength() const;
    // Whether the reference orbit, which ran to the limit, is seen to settle into an attracting
    // cycle (KeptOrbitSettles on its last values): the view's centre then lies inside the set.
    // None when there is nothing to judge: not ready, the reference escaped, or it passes below
    // the doubles' range (DeepPrepared::tiny), or `stop` was set meanwhile.
    std::optional<bool> ReferenceSettles(const std::atomic<bool>* stop = nullptr) const;
    long PrecisionBits() const;
    // The pixel step as a double (0 below the doubles' range).
    double PixelStep() const;
    // The memory the reference holds now.
    std::uint64_t Bytes() const;

    struct State;

  private:
    // What pixels read, once ready; null before.
    const DeepPrepared* Pixels() const;

    std::unique_ptr<State> state_;
    friend int DeepIteratePoint(const DeepReference& reference, int x, int y,
                                const std::atomic<bool>* stop);
    friend int DeepSamplePoint(const DeepReference& reference, int x, int y, SampleLevel level,
                               const std::atomic<bool>* stop, DeepOrbitEnd& end);
};

// The count of pixel (x, y) of the prepared view, or 0 when `stop` is set on entry or becomes
// set during the pixel (or the reference is not ready). Pixels outside the view are computed
// too, without skips.
int DeepIteratePoint(const DeepReference& reference, int x, int y,
                     const std::atomic<bool>* stop = nullptr);

// Where a pixel's orbit ended, for FinishOrbits (engine/iteration_kernel.h): its full value at
// the escape and c, as doubles, and its derivative dz/dc times the pixel step (a derivative in
// pixels beyond the doubles means the point lies on the boundary, one below them that it lies
// farther than any view: both read right as they round).
struct DeepOrbitEnd {
    double zr = 0.0;
    double zi = 0.0;
    double cr = 0.0;
    double ci = 0.0;
    double qr = 0.0;
    double qi = 0.0;
};

// DeepIteratePoint that also gives where the orbit ended, from SampleLevel::Fraction on: the
// derivative at SampleLevel::Distance, carried through the skips as they carry the difference.
int DeepSamplePoint(const DeepReference& reference, int x, int y, SampleLevel level,
                    const std::atomic<bool>* stop, DeepOrbitEnd& end);

struct DeepPixel {
    int x = 0;
    int y = 0;
};

// counts[k] = DeepIteratePoint(reference, pixels[k]...). False, with the counts of the pixels
// not finished set to 0, when stopped or not ready; false without writing when counts is
// shorter than pixels.
bool ComputeDeepCounts(const DeepReference& reference, std::span<const DeepPixel> pixels,
                       std::span<int> counts, const std::atomic<bool>* stop = nullptr);

}  // namespace zolt
