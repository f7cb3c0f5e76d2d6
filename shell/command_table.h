#pragma once

#include <array>
#include <optional>
#include <span>

namespace zolt {

// The pictures of the toolbar, in the order of the image strip, and the program's own icon.
enum class Art {
    New,
    Open,
    Save,
    Properties,
    About,
    Generate,
    Stop,
    Continue,
    Skip,
    Home,
    Back,
    Forward,
    Refresh,
    AppEye,
};

// How one command appears: its menu text (mnemonic with '&'; after a tab, the key as the menu
// shows it), the key that runs it, and its button's tooltip and picture when it has a button.
struct CommandInfo {
    int id = 0;
    const char* menuText = nullptr;
    const char* key = nullptr;      // portable key text, or none
    const char* toolTip = nullptr;  // none without a button
    Art art = Art::New;
    bool checkable = false;  // Priority items and the two bars carry a check mark
};

// Every command, in id order.
std::span<const CommandInfo> AllCommands();
// The command `id`, or none for an id no command has.
const CommandInfo* FindCommand(int id);

// The toolbar from left to right: command ids, 0 for a separator.
inline constexpr std::array<int, 19> kToolbarLayout = {1, 0,  2,  3,  0,  5, 0,  9, 10, 11,
                                                       0, 12, 13, 14, 15, 0, 23, 0, 8};

// The Priority items: priority 1 to 7 is command 16 to 22; none for any other priority.
std::optional<int> PriorityCommand(int priority);

}  // namespace zolt
