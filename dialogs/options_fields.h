#pragma once

#include <optional>
#include <string>

namespace zolt {

class GenerationDefaults;
class UiSurface;

// The choices of the resolution lists: which list to show and what to select in it.
struct ResolutionChoices {
    int high = 0;
    int low = 0;
    int selected = 0;
    bool enabled = true;
};

// The initial block sizes: 8, 4, 2, 1.
ResolutionChoices InitialChoices(int initial);
// The penultimate block sizes that can follow an initial one: from it (at most 8) halving down
// to 2, or 1 alone after an initial size of 1, which leaves no choice to make.
ResolutionChoices PenultimateChoices(int initial, int penultimate);
// The penultimate list after the user picked another initial size. A penultimate size of 1
// (left by an initial size of 1) becomes 2 again.
ResolutionChoices RelinkPenultimate(int initial, int penultimate);

// The options dialog's entries as the user left them; a list without a selection is none.
struct OptionsEntries {
    bool autoGenerate = false;
    std::optional<int> initial;
    std::optional<int> penultimate;
    std::string increment;
};

// Checks the entries and, when they are complete, stores them in `defaults` and saves all its
// values. An unreadable increment is named through `ui`; a list without a selection refuses
// silently. False leaves the defaults as they were.
bool AcceptOptions(const OptionsEntries& entries, GenerationDefaults& defaults, UiSurface& ui);

}  // namespace zolt
