#include "shell/view_metrics.h"

#include <algorithm>

namespace zolt {

int ColourCountForDepth(int bitsPerPixel) {
    if (bitsPerPixel < 1)
        return 0;
    return 1 << std::min(bitsPerPixel, 8);
}

}  // namespace zolt
