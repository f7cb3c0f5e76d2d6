#include "engine/fractal_def.h"

#include <algorithm>

namespace zolt {

void FractalName::Assign(std::string_view text) {
    std::size_t end = std::min(text.size(), kMaxLength);
    // A continuation byte just past the cut means the cut splits a character: drop all of it.
    while (end > 0 && end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text_ = text.substr(0, end);
}

GenerationSnapshot NumbersOf(const FractalDef& def) {
    return {def.Pstart, def.Pfinish, def.Qstart, def.Qfinish, def.Iterations, def.Escape};
}

void SetNumbersOf(FractalDef& def, const GenerationSnapshot& numbers) {
    def.Pstart = numbers.Pstart;
    def.Pfinish = numbers.Pfinish;
    def.Qstart = numbers.Qstart;
    def.Qfinish = numbers.Qfinish;
    def.Iterations = numbers.Iterations;
    def.Escape = numbers.Escape;
}

double DeriveQfinish(double pstart, double pfinish, double qstart, ViewSize view) {
    if (view.width == 0)
        return 0.0;
    return ((pfinish - pstart) / view.width) * view.height + qstart;
}

GenerationSnapshot HomeView(ViewSize view) {
    return {kHomePstart,     kHomePfinish,
            kHomeQstart,     DeriveQfinish(kHomePstart, kHomePfinish, kHomeQstart, view),
            kHomeIterations, kHomeEscape};
}

void ResetDefinition(FractalDef& def, ViewSize view) {
    def.Name.Assign("");
    SetNumbersOf(def, HomeView(view));
    def.Appearance.Monochrome = false;
    def.Appearance.Modulation = 2;
    def.Appearance.Colours = 256;
    def.Appearance.Palette.Clear();
    def.Untitled = true;
    def.AspectLocked = false;
}

bool CopyAppearance(const Appearance& src, Appearance& dst) {
    if (&src == &dst)
        return true;
    dst.Monochrome = src.Monochrome;
    dst.Modulation = src.Modulation;
    dst.Colours = src.Colours;
    dst.Palette.Clear();
    const auto entries = src.Palette.Entries();
    if (!src.Palette.HasStorage() || entries.empty())
        return true;
    if (!dst.Palette.Allocate(static_cast<int>(entries.size())))
        return false;
    for (const Rgb& rgb : entries) {
        if (!dst.Palette.Append(rgb))
            return false;
    }
    return true;
}

bool CopyDefinition(const FractalDef& src, FractalDef& dst) {
    dst.Name = src.Name;
    SetNumbersOf(dst, NumbersOf(src));
    if (!CopyAppearance(src.Appearance, dst.Appearance))
        return false;
    dst.AspectLocked = src.AspectLocked;
    dst.Untitled = src.Untitled;
    return true;
}

}  // namespace zolt
