#include "shell/command_table.h"

#include "surface/command_ids.h"

namespace zolt {

namespace {

// In id order; an id without a row has no command (yet).
constexpr CommandInfo kCommands[] = {
    {1, "&New...\tCtrl+N", "Ctrl+N", "New", Art::New, false},
    {2, "&Open...\tCtrl+O", "Ctrl+O", "Open", Art::Open, false},
    {3, "&Save\tCtrl+S", "Ctrl+S", "Save", Art::Save, false},
    {4, "Save &As...\tF12", "F12", nullptr, Art::New, false},
    {5, "&Properties...", nullptr, "Properties", Art::Properties, false},
    {6, "E&xit", nullptr, nullptr, Art::New, false},
    {7, "&Options...", nullptr, nullptr, Art::New, false},
    {8, "&About Zolt...", nullptr, "About", Art::About, false},
    {9, "&Home\tHome", "Home", "Home", Art::Home, false},
    {10, "&Back\tAlt+Left Arrow", "Alt+Left", "Back", Art::Back, false},
    {11, "&Forward\tAlt+Right Arrow", "Alt+Right", "Forward", Art::Forward, false},
    {12, "&Generate\tAlt+G", "Alt+G", "Generate", Art::Generate, false},
    {13, "&Stop\tEscape", "Esc", "Stop", Art::Stop, false},
    {14, "&Continue\tAlt+C", "Alt+C", "Continue", Art::Continue, false},
    {15, "S&kip\tAlt+S", "Alt+S", "Skip", Art::Skip, false},
    {16, "&Lowest", nullptr, nullptr, Art::New, true},
    {17, "Lo&wer", nullptr, nullptr, Art::New, true},
    {18, "L&ow", nullptr, nullptr, Art::New, true},
    {19, "&Normal", nullptr, nullptr, Art::New, true},
    {20, "H&igh", nullptr, nullptr, Art::New, true},
    {21, "Hi&gher", nullptr, nullptr, Art::New, true},
    {22, "&Highest", nullptr, nullptr, Art::New, true},
    {23, "&Refresh\tF5", "F5", "Refresh", Art::Refresh, false},
    {24, "&Toolbar", nullptr, nullptr, Art::New, true},
    {25, "&Status Bar", nullptr, nullptr, Art::New, true},
    {26, "&Mail...", nullptr, nullptr, Art::New, false},
    {27, "&Web...", nullptr, nullptr, Art::New, false},
    {28, "&Export Image...\tCtrl+E", "Ctrl+E", nullptr, Art::New, false},
    {29, "&Automatic Iterations", nullptr, nullptr, Art::New, true},
    {30, "&Colouring...", nullptr, nullptr, Art::New, false},
    {31, "Export Zoom &Movie...", nullptr, nullptr, Art::New, false},
};

}  // namespace

std::span<const CommandInfo> AllCommands() {
    return kCommands;
}

const CommandInfo* FindCommand(int id) {
    for (const CommandInfo& info : kCommands) {
        if (info.id == id)
            return &info;
    }
    return nullptr;
}

std::optional<int> PriorityCommand(int priority) {
    if (priority < 1 || priority > 7)
        return std::nullopt;
    return kCmdPriorityLowest + priority - 1;
}

}  // namespace zolt
