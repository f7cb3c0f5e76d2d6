#pragma once

#include "commands/app_context.h"
#include "document/current_fractal.h"
#include "document/navigation_history.h"
#include "generation/generation_defaults.h"
#include "generation/generator.h"
#include "settings/registry_store.h"
#include "surface/headless_surface.h"

namespace zolt::test {

// The program-wide objects a dialog command works on, over a 760 x 620 view of `colours`
// colours, without a settings store. Automatic generation is off unless a test turns it on.
struct DialogWorld {
    explicit DialogWorld(int colours = 256) : ui({760, 620}, colours) {
        defaults.values.AutoGenerate = false;
    }

    HeadlessSurface ui;
    NavigationHistory history{ui};
    CurrentFractal current{ui, history};
    GenerationDefaults defaults{ui, nullptr};
    Generator generator{ui, current, history, defaults};
    AppContext app{ui, nullptr, defaults, history, current, generator};
};

}  // namespace zolt::test
