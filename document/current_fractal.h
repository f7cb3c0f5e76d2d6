#pragma once

#include <string_view>

#include "engine/fractal_def.h"

namespace zolt {

class NavigationHistory;
class UiSurface;

// The flags a definition is made current with.
struct DefinitionFlags {
    bool aspectLocked = false;  // a generation holds the aspect
    bool untitled = false;      // Save must ask for a file name
};

// The one definition that is shown, generated and saved, with the window title and the file
// commands kept in step with it.
class CurrentFractal {
  public:
    CurrentFractal(UiSurface& ui, NavigationHistory& history) : ui_(ui), history_(history) {}

    const FractalDef& Definition() const { return def_; }
    bool Initialized() const { return initialized_; }
    // The iteration limit the definition was made current with (New, Open, Properties), before
    // any zoom raised or lowered it.
    int BaseIterations() const { return baseIterations_; }

    // The first call of the run gives the definition its defaults and empties the history.
    void EnsureInitialized();
    // Makes a new or loaded fractal current. False when its palette could not be copied; the
    // name and numbers are then already set, the flags, title and commands not.
    bool SetCurrent(std::string_view name, const GenerationSnapshot& numbers,
                    const Appearance& appearance, DefinitionFlags flags);
    void Rename(std::string_view name);
    void SetNumbers(const GenerationSnapshot& numbers);
    bool SetAppearance(const Appearance& appearance);
    // Gives the definition a colouring; false, changing nothing, for one ColouringProblem
    // refuses (or no memory for its gradient).
    bool SetColouring(const Colouring& colouring);
    void MarkUntitled();
    void ClearUntitled();
    bool PushCurrent(bool allowed);
    void Release();

    // Re-derives Qfinish for the view's present shape, unless no fractal is defined yet or a
    // generation holds the aspect.
    void RefreshAspect();
    // A generation holds the aspect while it runs: Qfinish stays what the generation started
    // with, however the view is resized.
    void LockAspect();
    // The generation has ended: Qfinish follows the view's shape again, from now.
    void UnlockAspect();

  private:
    void ShowTitle();

    UiSurface& ui_;
    NavigationHistory& history_;
    FractalDef def_;
    int baseIterations_ = kHomeIterations;
    bool initialized_ = false;
};

}  // namespace zolt
