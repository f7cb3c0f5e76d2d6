#pragma once

#include <cstddef>
#include <string>
#include <string_view>

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
};

// The six values that travel as one unit: the current definition's setters, the generation
// snapshot and the zoom.
struct GenerationSnapshot {
    double Pstart = 0.0;
    double Pfinish = 0.0;
    double Qstart = 0.0;
    double Qfinish = 0.0;
    int Iterations = 0;
    double Escape = 0.0;
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
    zolt::Appearance Appearance;
    bool Untitled = true;       // Save must ask for a file name
    bool AspectLocked = false;  // Qfinish is not re-derived (a generation runs)
};

GenerationSnapshot NumbersOf(const FractalDef& def);
void SetNumbersOf(FractalDef& def, const GenerationSnapshot& numbers);

// Qfinish for square pixels in a view of the given size; 0.0 for a view of width 0.
double DeriveQfinish(double pstart, double pfinish, double qstart, ViewSize view);

// The home view's six values with Qfinish derived for the view.
GenerationSnapshot HomeView(ViewSize view);

void ResetDefinition(FractalDef& def, ViewSize view);
bool CopyAppearance(const Appearance& src, Appearance& dst);
bool CopyDefinition(const FractalDef& src, FractalDef& dst);

}  // namespace zolt
