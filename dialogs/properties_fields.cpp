#include "dialogs/properties_fields.h"

#include <algorithm>

#include "dialogs/field_text.h"
#include "document/current_fractal.h"
#include "engine/deep_view.h"
#include "generation/view_refusal.h"
#include "settings/number_text.h"
#include "surface/ui_surface.h"

namespace zolt {

PropertiesEntries EntriesFor(const FractalDef& def, ViewSize view) {
    PropertiesEntries entries;
    entries.name = def.Name.str();
    entries.pstart = WriteRealText(def.Pstart);
    entries.pfinish = WriteRealText(def.Pfinish);
    entries.qstart = WriteRealText(def.Qstart);
    entries.qfinish = WriteRealText(def.Qfinish);
    if (const DeepCoordinates& deep = def.Deep; !deep.empty()) {
        entries.pstart = deep.Pstart;
        entries.pfinish = deep.Pfinish;
        entries.qstart = deep.Qstart;
        if (auto qfinish =
                DeriveQfinishText(deep.Pstart, deep.Pfinish, deep.Qstart, view.width, view.height))
            entries.qfinish = std::move(*qfinish);
    }
    entries.iterations = WriteCountField(def.Iterations);
    entries.escape = WriteRealText(def.Escape);
    entries.monochrome = def.Appearance.Monochrome;
    entries.modulation = WriteCountField(def.Appearance.Modulation);
    return entries;
}

FractalDef OpeningDefinition(int mode, const CurrentFractal& current, const UiSurface& ui) {
    FractalDef def;
    if (mode == kPropertiesMode) {
        CopyDefinition(current.Definition(), def);
    } else {
        ResetDefinition(def, ui.ViewClientSize());
        def.Name.Assign("Fractal");
    }
    return def;
}

ColourChoices ColourChoicesFor(int viewColours, int colours) {
    return {viewColours, std::min(viewColours, 4), std::min(colours, viewColours)};
}

std::string NumbersFaultMessage(NumbersFault fault) {
    switch (fault) {
        case NumbersFault::None:
            return "";
        case NumbersFault::Pstart:
            return "Pstart not valid.";
        case NumbersFault::Pfinish:
            return "Pfinish not valid.";
        case NumbersFault::Qstart:
            return "Qstart not valid.";
        case NumbersFault::Iterations:
            return "Iterations not valid.";
        case NumbersFault::Escape:
            return "Escape value not valid.";
        case NumbersFault::Digits:
            return ViewRefusalMessage(kLongCoordinates);
    }
    return "";
}

NumbersFault ReadNumbers(const PropertiesEntries& entries, const UiSurface& ui,
                         GenerationSnapshot& out) {
    if (!StoreNumber(ReadRealField(entries.pstart), out.Pstart))
        return NumbersFault::Pstart;
    if (!StoreNumber(ReadRealField(entries.pfinish), out.Pfinish))
        return NumbersFault::Pfinish;
    if (!StoreNumber(ReadRealField(entries.qstart), out.Qstart))
        return NumbersFault::Qstart;
    const ViewSize view = ui.ViewClientSize();
    out.Deep = {};
    out.Qfinish = DeriveQfinish(out.Pstart, out.Pfinish, out.Qstart, view);
    // Every digit typed counts: the doubles are only the nearest ones. Digits that cannot all
    // be kept refuse the view once the other fields are known to be right.
    const bool exact = !NeedsDeep(out, view.width) ||
                       SetExactCorners(out,
                                       {ExactCoordinateText(entries.pstart, out.Pstart),
                                        ExactCoordinateText(entries.pfinish, out.Pfinish),
                                        ExactCoordinateText(entries.qstart, out.Qstart)},
                                       view);
    const auto iterations = ReadCountField(entries.iterations);
    if (!iterations || *iterations == 0)
        return NumbersFault::Iterations;
    out.Iterations = *iterations;
    if (!StoreNumber(ReadRealField(entries.escape), out.Escape))
        return NumbersFault::Escape;
    return exact ? NumbersFault::None : NumbersFault::Digits;
}

std::optional<std::string> LiveQfinish(const PropertiesEntries& entries, const UiSurface& ui) {
    GenerationSnapshot numbers;
    if (ReadNumbers(entries, ui, numbers) != NumbersFault::None)
        return std::nullopt;
    if (const DeepCoordinates& deep = numbers.Deep; !deep.empty()) {
        const ViewSize view = ui.ViewClientSize();
        return DeriveQfinishText(deep.Pstart, deep.Pfinish, deep.Qstart, view.width, view.height);
    }
    return WriteRealText(numbers.Qfinish);
}

}  // namespace zolt
