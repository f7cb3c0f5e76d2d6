#pragma once

#include <vector>

namespace zolt {

// One entry of the menu bar: a command (id > 0), a separator (id 0, no text) or a popup with
// its own entries (id 0, with text).
struct MenuNode {
    const char* text = nullptr;
    int id = 0;
    std::vector<MenuNode> children;
};

// The menu bar from left to right, each popup with its entries in order.
std::vector<MenuNode> AppMenuLayout();

}  // namespace zolt
