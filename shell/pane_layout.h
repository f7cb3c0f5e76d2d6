#pragma once

#include <array>
#include <span>
#include <vector>

namespace zolt {

// The status bar's panes in percent of its width, from the left.
inline constexpr std::array<int, 3> kStatusPanePercents = {25, 25, 50};

// The right edge of each pane for a bar `barWidth` pixels wide: each pane's width is its share
// of the bar truncated on its own, so the last edge may fall up to a pixel per pane short of
// the bar's end. Empty for a bar without width.
std::vector<int> PaneRightEdges(int barWidth, std::span<const int> percents = kStatusPanePercents);

}  // namespace zolt
