#include "engine/fractal_def.h"

namespace zolt {

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

double DeriveQfinish(double pstart, double pfinish, double qstart, const UiSurface& ui) {
    return DeriveQfinish(pstart, pfinish, qstart, ui.ViewClientSize());
}

GenerationSnapshot HomeView(const UiSurface& ui) {
    return {kHomePstart,    kHomePfinish,
            kHomeQstart,    DeriveQfinish(kHomePstart, kHomePfinish, kHomeQstart, ui),
            kHomeIterations, kHomeEscape};
}

void ResetDefinition(FractalDef& def, const UiSurface& ui) {
    def.Name.Assign("");
    SetNumbersOf(def, HomeView(ui));
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
