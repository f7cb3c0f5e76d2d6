#pragma once

#include <atomic>
#include <cstdint>

namespace zolt {

// The mask of enabled commands. Both threads change it, so every change is one atomic
// read-modify-write: concurrent enables and disables of different bits never lose each other.
class CommandState {
  public:
    std::uint32_t Get() const { return bits_.load(std::memory_order_acquire); }

    void Change(std::uint32_t mask, bool enable) {
        if (enable)
            bits_.fetch_or(mask, std::memory_order_acq_rel);
        else
            bits_.fetch_and(~mask, std::memory_order_acq_rel);
    }

  private:
    std::atomic<std::uint32_t> bits_{0};
};

}  // namespace zolt
