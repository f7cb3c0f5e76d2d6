#include "engine/fractal_def.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/deep_view.h"

namespace zolt {

void FractalName::Assign(std::string_view text) {
    std::size_t end = std::min(text.size(), kMaxLength);
    // A continuation byte just past the cut means the cut splits a character: drop all of it.
    while (end > 0 && end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text_ = text.substr(0, end);
}

GenerationSnapshot NumbersOf(const FractalDef& def) {
    return {def.Pstart, def.Pfinish, def.Qstart, def.Qfinish, def.Iterations, def.Escape, def.Deep};
}

void SetNumbersOf(FractalDef& def, const GenerationSnapshot& numbers) {
    def.Pstart = numbers.Pstart;
    def.Pfinish = numbers.Pfinish;
    def.Qstart = numbers.Qstart;
    def.Qfinish = numbers.Qfinish;
    def.Iterations = numbers.Iterations;
    def.Escape = numbers.Escape;
    def.Deep = numbers.Deep;
}

double DeriveQfinish(double pstart, double pfinish, double qstart, ViewSize view) {
    if (view.width == 0)
        return 0.0;
    return ((pfinish - pstart) / view.width) * view.height + qstart;
}

double DeriveQfinish(const GenerationSnapshot& numbers, ViewSize view) {
    const DeepCoordinates& deep = numbers.Deep;
    double qfinish = 0.0;
    if (!deep.empty() && view.width > 0) {
        const auto text =
            DeriveQfinishText(deep.Pstart, deep.Pfinish, deep.Qstart, view.width, view.height);
        if (text && DecimalToDouble(*text, qfinish))
            return qfinish;
    }
    return DeriveQfinish(numbers.Pstart, numbers.Pfinish, numbers.Qstart, view);
}

bool NeedsDeep(const GenerationSnapshot& numbers, int width) {
    return IsDeepView(numbers.Pstart, numbers.Pfinish, numbers.Qstart, numbers.Qfinish, width);
}

std::optional<DeepCoordinates> ExactCorners(const GenerationSnapshot& numbers) {
    if (!numbers.Deep.empty())
        return numbers.Deep;
    DeepCoordinates corners;
    if (!DoubleToDecimal(numbers.Pstart, corners.Pstart) ||
        !DoubleToDecimal(numbers.Pfinish, corners.Pfinish) ||
        !DoubleToDecimal(numbers.Qstart, corners.Qstart))
        return std::nullopt;
    return corners;
}

bool SetExactCorners(GenerationSnapshot& numbers, const DeepCoordinates& corners, ViewSize view) {
    GenerationSnapshot set = numbers;
    if (!DecimalToDouble(corners.Pstart, set.Pstart) ||
        !DecimalToDouble(corners.Pfinish, set.Pfinish) ||
        !DecimalToDouble(corners.Qstart, set.Qstart))
        return false;
    set.Deep = corners;
    set.Qfinish = DeriveQfinish(set, view);
    if (!NeedsDeep(set, view.width)) {
        set.Deep = {};
        set.Qfinish = DeriveQfinish(set, view);
    }
    numbers = std::move(set);
    return true;
}

bool SameView(const GenerationSnapshot& a, const GenerationSnapshot& b) {
    if (a.Deep.empty() && b.Deep.empty()) {
        // A NaN on either side compares false, so it never counts as a difference.
        const auto near = [](double x, double y) { return !(std::fabs(x - y) > 1e-31); };
        return near(a.Pstart, b.Pstart) && near(a.Pfinish, b.Pfinish) && near(a.Qstart, b.Qstart) &&
               near(a.Qfinish, b.Qfinish);
    }
    const auto ea = ExactCorners(a);
    const auto eb = ExactCorners(b);
    return ea && eb &&
           CornersWithin({ea->Pstart, ea->Pfinish, ea->Qstart, {}},
                         {eb->Pstart, eb->Pfinish, eb->Qstart, {}}, 1e-9);
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
    def.Appearance.Colouring = {};
    def.Untitled = true;
    def.AspectLocked = false;
}

bool CopyAppearance(const Appearance& src, Appearance& dst) {
    if (&src == &dst)
        return true;
    dst.Monochrome = src.Monochrome;
    dst.Modulation = src.Modulation;
    dst.Colours = src.Colours;
    try {
        dst.Colouring = src.Colouring;
    } catch (const std::bad_alloc&) {
        return false;
    }
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
