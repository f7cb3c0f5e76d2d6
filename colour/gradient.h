#pragma once

// Gradients: their colours along one pass, the built-in presets, the editing of stops and the
// checks a gradient and a colouring must pass. Pure computation.

#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "colour/colour_space.h"
#include "engine/colouring.h"

namespace zolt {

// The most stops, entries or segments a gradient holds: far beyond any real one, and a bound on
// what a hostile file can make us build.
inline constexpr std::size_t kMaxGradientStops = 4096;
// The longest gradient name kept (bytes).
inline constexpr std::size_t kMaxGradientName = 64;

// The colours of a gradient along one pass, sampled once so that millions of points look them
// up cheaply. Positions are in passes: only their fraction counts, so a gradient repeats.
//
// `palette` gives the colours of a Palette gradient (the definition's palette as the display
// shows it, or its monochrome bands), entry for entry; the other kinds ignore it.
class GradientTable {
  public:
    static constexpr int kSize = 4096;

    GradientTable(const Gradient& gradient, std::span<const Pixel> palette);

    LinearRgb Linear(double position) const { return linear_[Index(position)]; }
    Pixel At(double position) const { return pixels_[Index(position)]; }
    // The colours of a Palette or Entries gradient, entry for entry (bands colour by them);
    // empty for the blended kinds.
    std::span<const Pixel> Entries() const { return entries_; }

  private:
    static std::size_t Index(double position) {
        // Positions are mostly positive and small: the cast is then the floor, and the table's
        // size a power of two.
        const double scaled = position * kSize;
        if (scaled >= 0.0 && scaled < 0x1p52)
            return static_cast<std::uint64_t>(scaled) & (kSize - 1);
        const double fraction = position - std::floor(position);
        const auto index = static_cast<std::size_t>(fraction * kSize);
        return index < kSize ? index : 0;  // NaN, or a fraction that rounds up to 1
    }

    std::vector<LinearRgb> linear_;
    std::vector<Pixel> pixels_;
    std::vector<Pixel> entries_;
};

// The colour of a gradient at a position from 0 to 1 (see GradientTable for `palette`).
LinearRgb GradientColour(const Gradient& gradient, std::span<const Pixel> palette, double position);

// The presets, at least eight: "Classic" first (the definition's palette, the colours of bands
// before there were gradients), then our own, each a cycle whose ends meet.
const std::vector<Gradient>& GradientPresets();

// The gradient as stops, for the editor: stops as they are; a palette's or map's entries as
// evenly spaced stops; a segment's two ends as stops.
Gradient EditableStops(const Gradient& gradient, std::span<const Pixel> palette);

// An edit of a gradient of stops: the gradient it gives and the index of the stop it touched,
// or why it cannot be made (the gradient is then as it was).
struct GradientEdit {
    std::optional<Gradient> gradient;
    int index = -1;
    std::string error;
};
GradientEdit AddStop(const Gradient& gradient, double position, Rgb colour);
// A stop moved keeps its colour and takes its place in the order of positions.
GradientEdit MoveStop(const Gradient& gradient, int index, double position);
GradientEdit DeleteStop(const Gradient& gradient, int index);
GradientEdit RecolourStop(const Gradient& gradient, int index, Rgb colour);

// Why a gradient or a colouring cannot be used, for the user; empty when it can.
std::string GradientProblem(const Gradient& gradient);
std::string ColouringProblem(const Colouring& colouring);
// Why a segment cannot follow one that ended at `previousRight` (or end the gradient, when it is
// the last), in the middle of a sentence; empty when it can.
std::string SegmentProblem(const GradientSegment& segment, double previousRight, bool last);

// A name as a gradient keeps it: control characters dropped, cut to kMaxGradientName bytes at a
// whole UTF-8 character.
std::string GradientName(std::string_view text);

}  // namespace zolt
