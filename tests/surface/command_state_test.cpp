#include "surface/command_ids.h"

#include <gtest/gtest.h>

#include <latch>
#include <thread>

namespace zolt {
namespace {

// The generation thread and the user-interface thread change different commands at once;
// neither may undo the other's change.
TEST(CommandState, TwoThreadsChangingDifferentBitsLoseNone) {
    CommandState state;
    constexpr std::uint32_t kMine = 0x0000fff;
    constexpr std::uint32_t kTheirs = 0x1fff000;
    std::latch start(2);  // both threads begin together, so their changes overlap
    const auto churn = [&](std::uint32_t bits, bool last, int& lost) {
        start.arrive_and_wait();
        for (int i = 0; i < 200000; ++i) {
            const bool enable = (i % 2 == 1) == last;  // the last round sets `last`
            for (std::uint32_t bit = bits & -bits; bit != 0 && (bit & bits) != 0; bit <<= 1) {
                state.Change(bit, enable);
                if (((state.Get() & bit) != 0) != enable)
                    ++lost;
            }
        }
    };
    int lostMine = 0;
    int lostTheirs = 0;
    std::thread other([&] { churn(kTheirs, false, lostTheirs); });
    churn(kMine, true, lostMine);
    other.join();
    EXPECT_EQ(lostMine, 0);
    EXPECT_EQ(lostTheirs, 0);
    EXPECT_EQ(state.Get(), kMine);
}

}  // namespace
}  // namespace zolt
