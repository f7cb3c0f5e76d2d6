#include "shell/menu_layout.h"

namespace zolt {

namespace {

MenuNode Item(int id) {
    return {nullptr, id, {}};
}
MenuNode Separator() {
    return {};
}
MenuNode Popup(const char* text, std::vector<MenuNode> children) {
    return {text, 0, std::move(children)};
}

}  // namespace

std::vector<MenuNode> AppMenuLayout() {
    return {
        Popup("&File", {Item(1), Separator(), Item(2), Item(3), Item(4), Item(28), Item(31),
                        Separator(), Item(5), Separator(), Item(6)}),
        Popup("&View", {Item(24), Item(25), Separator(), Item(30), Separator(), Item(23)}),
        Popup("&Navigation", {Item(9), Item(10), Item(11)}),
        Popup("&Tools", {Item(12), Item(13), Item(14), Item(15), Separator(), Item(29), Item(7),
                         Popup("&Priority", {Item(16), Item(17), Item(18), Item(19), Item(20),
                                             Item(21), Item(22)})}),
        Popup("&Help", {Item(8), Popup("&Contact", {Item(26), Item(27)})}),
    };
}

}  // namespace zolt
