#include "dialogs/centre_position.h"

namespace zolt {

LayoutPoint CentredPosition(const LayoutRect& reference, LayoutSize window) {
    return {reference.x + (reference.width - window.width) / 2,
            reference.y + (reference.height - window.height) / 2};
}

}  // namespace zolt
