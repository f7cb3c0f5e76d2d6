#pragma once

#include <optional>

#include "dialogs/properties_fields.h"

namespace zolt {

class CurrentFractal;
class Generator;
class UiSurface;

// The longest name the dialog takes; longer names are cut.
inline constexpr std::size_t kDialogNameLength = 19;

// Checks the fields in order and, when all are valid, makes the result the current definition.
// `colours` is the selected colour count, none when nothing is selected. The first invalid field
// is named through `ui`; a missing colour choice or a palette that cannot be built refuse
// silently. With a generator, a view it could not draw once the dialog has closed is refused
// too, with its message. False leaves the current definition as it was.
bool AcceptProperties(int mode, const PropertiesEntries& entries, std::optional<int> colours,
                      CurrentFractal& current, UiSurface& ui, const Generator* generator = nullptr);

// The first 19 characters of a typed name, never cutting a character's bytes apart.
std::string DialogName(const std::string& typed);

}  // namespace zolt
