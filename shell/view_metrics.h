#pragma once

#include <atomic>
#include <cstdint>

#include "surface/ui_surface.h"

namespace zolt {

// 2 to the display's bits per pixel, counting at most 8: 256 on any display of 8 bits or more.
// 0 for a depth below 1 (no display).
int ColourCountForDepth(int bitsPerPixel);

// The view's size in device pixels and its colour count, written by the view on the
// user-interface thread and read by the generation thread. The size is one atomic word, so a
// reader never sees the width of one size with the height of another.
class ViewMetrics {
  public:
    ViewSize Size() const {
        const std::uint64_t packed = size_.load(std::memory_order_acquire);
        return {static_cast<int>(static_cast<std::uint32_t>(packed >> 32)),
                static_cast<int>(static_cast<std::uint32_t>(packed))};
    }
    void SetSize(ViewSize size) {
        const std::uint64_t packed = (std::uint64_t{static_cast<std::uint32_t>(size.width)} << 32) |
                                     std::uint64_t{static_cast<std::uint32_t>(size.height)};
        size_.store(packed, std::memory_order_release);
    }
    int ColourCount() const { return colours_.load(std::memory_order_acquire); }
    void SetColourCount(int count) { colours_.store(count, std::memory_order_release); }

  private:
    std::atomic<std::uint64_t> size_{0};
    std::atomic<int> colours_{0};
};

}  // namespace zolt
