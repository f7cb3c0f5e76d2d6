#pragma once

#include <vector>

#include "engine/fractal_def.h"

namespace zolt {

class UiSurface;

// The views generated in this run, numbered from 1, with the current one.
class NavigationHistory {
  public:
    explicit NavigationHistory(UiSurface& ui) : ui_(ui) {}

    // Records `def` after the current entry, dropping the entries after it. Refused (false) when
    // `def` shows the current entry's view.
    bool Push(const FractalDef& def, bool allowed);
    // Whether `def`'s view differs from the current entry by more than 1e-31 on Pstart, Pfinish,
    // Qstart or Qfinish. An empty history never differs; NaN counts as no difference.
    bool DiffersFromCurrentEntry(const FractalDef& def) const;
    void UpdateNavigationCommands(bool allowed);
    void ShowPosition();
    void ClearHistory();
    void ResetHistory();

    int Count() const { return static_cast<int>(entries_.size()); }
    int Current() const { return current_; }
    // Moves the current entry, kept within 1 to Count().
    void SetCurrent(int number);
    FractalDef& Entry(int number) { return entries_[static_cast<std::size_t>(number - 1)]; }
    const FractalDef& Entry(int number) const {
        return entries_[static_cast<std::size_t>(number - 1)];
    }

  private:
    UiSurface& ui_;
    std::vector<FractalDef> entries_;
    int current_ = 0;
};

}  // namespace zolt
