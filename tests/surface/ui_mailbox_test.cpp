#include "surface/ui_mailbox.h"

#include <gtest/gtest.h>

#include <vector>

namespace zolt {
namespace {

// A call posted behind others still pending needs no wake of its own: the Deliver the first one
// asked for runs them all, in order.
TEST(UiMailbox, OnlyACallFindingNonePendingWakes) {
    int wakes = 0;
    UiMailbox mailbox([&] { ++wakes; });
    std::vector<int> ran;
    for (int i = 0; i < 3; ++i)
        mailbox.Post([&ran, i] { ran.push_back(i); });
    EXPECT_EQ(wakes, 1);
    // A call posted while the last one runs finds none pending and wakes, yet the same Deliver
    // runs it.
    mailbox.Post([&] { mailbox.Post([&ran] { ran.push_back(4); }); });
    EXPECT_EQ(wakes, 1);
    EXPECT_EQ(mailbox.Deliver(), 5);
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2, 4}));
    EXPECT_EQ(wakes, 2);
    mailbox.Post([] {});
    EXPECT_EQ(wakes, 3);
    mailbox.Close();
    mailbox.Post([] {});
    EXPECT_EQ(wakes, 3);
    EXPECT_EQ(mailbox.Deliver(), 0);
}

}  // namespace
}  // namespace zolt
