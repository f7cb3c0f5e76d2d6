#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "engine/colouring.h"
#include "engine/image_buffer.h"
#include "engine/palette.h"

namespace zolt {

// A fractal's name: at most 20 characters, whatever a setter is given.
class FractalName {
  public:
    static constexpr std::size_t kMaxLength = 20;

    FractalName() = default;
    FractalName(std::string_view text) { Assign(text); }  // NOLINT: names convert from text
    // Names are UTF-8: a name cut to the limit keeps its last character whole.
    void Assign(std::string_view text);
    const std::string& str() const { return text_; }
    bool empty() const { return text_.empty(); }
    bool operator==(const FractalName&) const = default;

  private:
    std::string text_;
};

// How iteration counts become colours; copied as one unit by CopyAppearance.
struct Appearance {
    bool Monochrome = false;
    int Modulation = 2;
    int Colours = 256;
    zolt::Palette Palette;
    zolt::Colouring Colouring;
};

// A deep view's corners as exact decimal text (engine/deep_view.h), kept beside the nearest
// doubles when doubles alone cannot resolve the view's pixels. Empty for every other view.
struct DeepCoordinates {
    std::string Pstart;
    std::string Pfinish;
    std::string Qstart;
    bool empty() const { return Pstart.empty(); }
    bool operator==(const DeepCoordinates&) const = default;
};

// The six values that travel as one unit: the current definition's setters, the generation
// snapshot and the zoom; with a deep view's exact corners.
struct GenerationSnapshot {
    double Pstart = 0.0;
    double Pfinish = 0.0;
    double Qstart = 0.0;
    double Qfinish = 0.0;
    int Iterations = 0;
    double Escape = 0.0;
    DeepCoordinates Deep = {};
    bool operator==(const GenerationSnapshot&) const = default;
};

// The home view: also the defaults of a new definition.
inline constexpr double kHomePstart = -2.5;
inline constexpr double kHomePfinish = 1.25;
inline constexpr double kHomeQstart = -1.5;
inline constexpr int kHomeIterations = 250;
inline constexpr double kHomeEscape = 200.0;

struct FractalDef {
    FractalName Name;
    double Pstart = kHomePstart;
    double Pfinish = kHomePfinish;
    double Qstart = kHomeQstart;
    double Qfinish = 0.0;  // derived from the view's proportions, never chosen
    int Iterations = kHomeIterations;
    double Escape = kHomeEscape;
    DeepCoordinates Deep;  // set only for a view made deep (zoomed, typed, loaded)
    zolt::Appearance Appearance;
    bool Untitled = true;       // Save must ask for a file name
    bool AspectLocked = false;  // Qfinish is not re-derived (a generation runs)
};

GenerationSnapshot NumbersOf(const FractalDef& def);
void SetNumbersOf(FractalDef& def, const GenerationSnapshot& numbers);

// Qfinish for square pixels in a view of the given size; 0.0 for a view of width 0.
double DeriveQfinish(double pstart, double pfinish, double qstart, ViewSize view);

// Qfinish for square pixels, from the exact corners when the numbers have them: a deep view's
// doubles may all be one and the same number.
double DeriveQfinish(const GenerationSnapshot& numbers, ViewSize view);

// Whether doubles cannot resolve the pixels of the view at this width, so that it needs the
// deep engine (IsDeepView on the numbers' doubles).
bool NeedsDeep(const GenerationSnapshot& numbers, int width);

// The corners of the view as decimal text: its exact corners when it has them, the doubles'
// shortest text otherwise. None for a corner that is not finite.
std::optional<DeepCoordinates> ExactCorners(const GenerationSnapshot& numbers);

// Makes `corners` the view of `numbers` when the view they give at `view` size is deep: the
// texts, their nearest doubles, and Qfinish derived for the size. A view doubles resolve keeps
// only the nearest doubles. False, with `numbers` unchanged, for text that is not decimal text
// or beyond the doubles' range.
bool SetExactCorners(GenerationSnapshot& numbers, const DeepCoordinates& corners, ViewSize view);

// Whether two views show the same place: each corner within 1e-31 of the other, or, when either
// has exact corners, within a billionth of the view's width (a deep view's doubles may all be
// equal, and its corners are printed to 1e-10 of a pixel, far inside that).
bool SameView(const GenerationSnapshot& a, const GenerationSnapshot& b);

// The home view's six values with Qfinish derived for the view.
GenerationSnapshot HomeView(ViewSize view);

void ResetDefinition(FractalDef& def, ViewSize view);
bool CopyAppearance(const Appearance& src, Appearance& dst);
bool CopyDefinition(const FractalDef& src, FractalDef& dst);

}  // namespace zolt
