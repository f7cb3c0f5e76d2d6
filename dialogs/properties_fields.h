#pragma once

#include <optional>
#include <string>

#include "engine/fractal_def.h"

namespace zolt {

class CurrentFractal;
class UiSurface;

// The two ways the fractal properties dialog runs.
inline constexpr int kNewFractalMode = 1;
inline constexpr int kPropertiesMode = 2;

// The texts of the fractal properties dialog's fields, as typed.
struct PropertiesEntries {
    std::string name;
    std::string pstart;
    std::string pfinish;
    std::string qstart;
    std::string qfinish;  // shown only, never read back
    std::string iterations;
    std::string escape;
    bool monochrome = false;
    std::string modulation;
};

// The fields as they show a definition in a view of the given size: a deep view's exact corners,
// and the Qfinish that follows from them.
PropertiesEntries EntriesFor(const FractalDef& def, ViewSize view);

// What the dialog opens with: a fresh definition named "Fractal" for a new fractal, the
// current one for its properties.
FractalDef OpeningDefinition(int mode, const CurrentFractal& current, const UiSurface& ui);

// The colour counts offered for a view of `viewColours` colours: from that count halving down
// to 4 (or the count itself below 4), with the definition's count selected when offered.
struct ColourChoices {
    int high = 0;
    int low = 0;
    int selected = 0;
};
ColourChoices ColourChoicesFor(int viewColours, int colours);

// Which number field failed, in the order they are checked; Digits when all read but the view
// is finer than doubles resolve and a coordinate has more digits than a deep view takes.
enum class NumbersFault { None, Pstart, Pfinish, Qstart, Iterations, Escape, Digits };

// The message that names a failed field; empty for None.
std::string NumbersFaultMessage(NumbersFault fault);

// Reads the coordinates and the accuracy, stopping at the first field that fails, and derives
// Qfinish for the view. Coordinates of a view finer than doubles resolve are kept as typed
// (exact decimal text). `out` is complete only when the result is None.
NumbersFault ReadNumbers(const PropertiesEntries& entries, const UiSurface& ui,
                         GenerationSnapshot& out);

// Qfinish as it follows the typed coordinates, when every number field reads.
std::optional<std::string> LiveQfinish(const PropertiesEntries& entries, const UiSurface& ui);

}  // namespace zolt
