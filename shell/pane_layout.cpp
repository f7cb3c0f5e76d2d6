#include "shell/pane_layout.h"

namespace zolt {

std::vector<int> PaneRightEdges(int barWidth, std::span<const int> percents) {
    std::vector<int> edges;
    if (barWidth <= 0)
        return edges;
    edges.reserve(percents.size());
    long long edge = 0;
    for (int percent : percents) {
        // Integer arithmetic: the exact share, truncated, with no rounding error of 0.01.
        edge += static_cast<long long>(percent) * barWidth / 100;
        edges.push_back(static_cast<int>(edge));
    }
    return edges;
}

}  // namespace zolt
