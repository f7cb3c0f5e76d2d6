#pragma once

namespace zolt {

class CurrentFractal;
class GenerationDefaults;
class Generator;
class NavigationHistory;
class RegistryStore;
class UiSurface;

// The program-wide objects a command works on. The main window creates them at start-up and
// they live until the program ends; commands and dialogs receive this instead of reaching for
// globals, so tests can hand them their own.
struct AppContext {
    UiSurface& ui;
    RegistryStore* store;  // none when the settings cannot be kept
    GenerationDefaults& defaults;
    NavigationHistory& history;
    CurrentFractal& current;
    Generator& generator;
};

}  // namespace zolt
