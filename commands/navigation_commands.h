#pragma once

namespace zolt {

class CurrentFractal;
class Generator;
class NavigationHistory;
class UiSurface;

// Home: back to the home view, keeping the name and the appearance.
void GoHome(CurrentFractal& current, Generator& generator, const UiSurface& ui);

// Back (true) or Forward (false) through the recorded views. Nothing with an empty history.
void Step(bool back, CurrentFractal& current, NavigationHistory& history, Generator& generator,
          const UiSurface& ui);

}  // namespace zolt
