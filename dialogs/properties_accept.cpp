#include "dialogs/properties_accept.h"

#include "dialogs/field_text.h"
#include "document/current_fractal.h"
#include "generation/generator.h"
#include "surface/ui_surface.h"

namespace zolt {

std::string DialogName(const std::string& typed) {
    // Names are UTF-8: count characters, not bytes, and keep each character whole.
    std::size_t characters = 0;
    std::size_t end = 0;
    while (end < typed.size() && characters < kDialogNameLength) {
        ++end;
        while (end < typed.size() && (static_cast<unsigned char>(typed[end]) & 0xC0) == 0x80)
            ++end;
        ++characters;
    }
    // The definition then keeps as many whole characters as fit its byte limit.
    return FractalName(std::string_view(typed).substr(0, end)).str();
}

bool AcceptProperties(int mode, const PropertiesEntries& entries, std::optional<int> colours,
                      CurrentFractal& current, UiSurface& ui, const Generator* generator) {
    const std::string name = DialogName(entries.name);
    if (name.empty()) {
        ui.ShowMessage("You must provide a name.");
        return false;
    }

    GenerationSnapshot numbers;
    const NumbersFault fault = ReadNumbers(entries, ui, numbers);
    if (fault != NumbersFault::None) {
        ui.ShowMessage(NumbersFaultMessage(fault));
        return false;
    }

    Appearance appearance;
    if (current.Initialized() && !CopyAppearance(current.Definition().Appearance, appearance))
        return false;
    const int startingColours = appearance.Colours;

    if (entries.monochrome) {
        appearance.Monochrome = true;
        const auto modulation = ReadCountField(entries.modulation);
        if (!modulation || *modulation < 1) {
            ui.ShowMessage("Modulation not valid.");
            return false;
        }
        appearance.Modulation = *modulation;
    } else {
        // The modulation field is disabled then and not read: its text does not matter.
        appearance.Monochrome = false;
    }

    if (!colours)
        return false;
    // A new fractal always gets a fresh palette; an edited one keeps its own unless the count
    // changes, so a palette loaded from a file survives an edit of the coordinates.
    if (mode == kNewFractalMode || *colours != startingColours) {
        if (!BuildPalette(*colours, appearance.Palette))
            return false;
    }
    appearance.Colours = *colours;

    // New records its view when it generates it; Properties also raises the iterations.
    const GenerateOptions generated = mode == kNewFractalMode
                                          ? GenerateOptions{.push = true}
                                          : GenerateOptions{.push = true, .increment = true};
    if (generator != nullptr && !generator->Accepts(numbers, generated))
        return false;

    const FractalDef& def = current.Definition();
    const DefinitionFlags flags = mode == kNewFractalMode
                                      ? DefinitionFlags{.untitled = true}
                                      : DefinitionFlags{def.AspectLocked, def.Untitled};
    return current.SetCurrent(name, numbers, appearance, flags);
}

}  // namespace zolt
