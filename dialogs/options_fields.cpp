#include "dialogs/options_fields.h"

#include <algorithm>

#include "dialogs/field_text.h"
#include "generation/generation_defaults.h"
#include "surface/ui_surface.h"

namespace zolt {

namespace {
constexpr int kLargestBlock = 8;
constexpr int kSmallestPenultimate = 2;
}  // namespace

ResolutionChoices InitialChoices(int initial) {
    return {kLargestBlock, 1, initial, true};
}

ResolutionChoices PenultimateChoices(int initial, int penultimate) {
    return {std::min(initial, kLargestBlock), kSmallestPenultimate, std::min(initial, penultimate),
            initial > 1};
}

ResolutionChoices RelinkPenultimate(int initial, int penultimate) {
    if (initial <= 1)
        return {1, 1, 1, false};
    if (penultimate == 1)
        penultimate = kSmallestPenultimate;
    return PenultimateChoices(initial, penultimate);
}

bool AcceptOptions(const OptionsEntries& entries, GenerationDefaults& defaults, UiSurface& ui) {
    DefaultValues values = defaults.values;
    values.AutoGenerate = entries.autoGenerate;
    if (!entries.initial)
        return false;
    values.InitialResolution = *entries.initial;
    if (values.InitialResolution < 2) {
        values.PenultimateResolution = 1;
    } else {
        if (!entries.penultimate)
            return false;
        values.PenultimateResolution = *entries.penultimate;
    }
    const auto increment = ReadCountField(entries.increment);
    if (!increment) {
        ui.ShowMessage("Iterative increment not valid.");
        return false;
    }
    values.IterativeIncrement = *increment;

    defaults.values = values;
    // A failed save has told the user itself; the values are in use either way.
    defaults.SaveValues();
    return true;
}

}  // namespace zolt
