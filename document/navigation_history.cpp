#include "document/navigation_history.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "surface/command_ids.h"
#include "surface/ui_surface.h"

namespace zolt {

bool NavigationHistory::Push(const FractalDef& def, bool allowed) {
    if (Count() >= 1 && !DiffersFromCurrentEntry(def))
        return false;
    entries_.erase(entries_.begin() + std::min(current_, Count()), entries_.end());
    try {
        FractalDef entry;
        if (!CopyDefinition(def, entry))
            return false;
        entries_.push_back(std::move(entry));
    } catch (const std::bad_alloc&) {
        return false;
    }
    current_ = Count();
    UpdateNavigationCommands(allowed);
    ShowPosition();
    return true;
}

bool NavigationHistory::DiffersFromCurrentEntry(const FractalDef& def) const {
    if (Count() == 0 || current_ < 1)
        return false;
    const FractalDef& entry = Entry(current_);
    return !SameView(NumbersOf(entry), NumbersOf(def));
}

void NavigationHistory::UpdateNavigationCommands(bool allowed) {
    const bool any = allowed && Count() >= 1;
    ui_.EnableCommands(CommandBit(kCmdBack), any && current_ > 1);
    ui_.EnableCommands(CommandBit(kCmdForward), any && current_ < Count());
}

void NavigationHistory::ShowPosition() {
    char text[32];
    std::snprintf(text, sizeof text, "%d of %d", current_, Count());
    ui_.SetStatusText(3, text);
}

void NavigationHistory::ClearHistory() {
    entries_.clear();
    entries_.shrink_to_fit();
}

void NavigationHistory::ResetHistory() {
    ClearHistory();
    current_ = 0;
    ui_.SetStatusText(3, "");
}

void NavigationHistory::SetCurrent(int number) {
    if (Count() == 0)
        return;
    current_ = std::clamp(number, 1, Count());
}

}  // namespace zolt
