#include "commands/navigation_commands.h"

#include "document/current_fractal.h"
#include "document/navigation_history.h"
#include "generation/generator.h"
#include "surface/ui_surface.h"

namespace zolt {

void GoHome(CurrentFractal& current, Generator& generator, const UiSurface& ui) {
    current.SetNumbers(HomeView(ui.ViewClientSize()));
    generator.Ready(true, true, true, false);
}

void Step(bool back, CurrentFractal& current, NavigationHistory& history, Generator& generator,
          const UiSurface& ui) {
    if (history.Count() == 0)
        return;
    history.SetCurrent(history.Current() + (back ? -1 : 1));
    history.UpdateNavigationCommands(!generator.IsRunning());
    history.ShowPosition();
    // The entry takes the proportions of the view as it is now, and keeps them.
    FractalDef& entry = history.Entry(history.Current());
    entry.Qfinish = DeriveQfinish(entry.Pstart, entry.Pfinish, entry.Qstart, ui.ViewClientSize());
    current.Rename(entry.Name.str());
    current.SetNumbers(NumbersOf(entry));
    current.SetAppearance(entry.Appearance);
    generator.Ready(true, true, false, false);
}

}  // namespace zolt
