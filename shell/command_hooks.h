#pragma once

#include <functional>
#include <span>

namespace zolt {

// The commands whose work lives outside the shell: the file commands and the dialogs. The
// program connects each one at start-up; a hook left empty makes its command do nothing.
struct CommandHooks {
    std::function<void()> newFractal;  // command 1, New
    std::function<void()> open;        // command 2, Open
    std::function<void()> save;        // command 3, Save
    std::function<void()> saveAs;      // command 4, Save As
    std::function<void()> properties;  // command 5, Properties
    std::function<void()> about;       // command 8, About
    // The program's arguments after its name, given only when there are any.
    std::function<void(std::span<const char* const> arguments)> openCommandLine;
};

}  // namespace zolt
