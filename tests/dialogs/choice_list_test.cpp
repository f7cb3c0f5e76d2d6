#include "dialogs/choice_list.h"

#include <gtest/gtest.h>

namespace zolt {
namespace {

std::vector<int> Values(const ChoiceList& list) {
    std::vector<int> values;
    for (const Choice& choice : list.All())
        values.push_back(choice.value);
    return values;
}

TEST(ChoiceList, KeepsTheOrderOfAddingAcrossGrowth) {
    ChoiceList list;
    EXPECT_EQ(list.Capacity(), 0u);
    EXPECT_EQ(list.Add("first", 7), 0);
    EXPECT_EQ(list.Capacity(), ChoiceList::kGrowth);
    for (int i = 1; i < 70; ++i)
        EXPECT_EQ(list.Add(std::to_string(100 - i), 100 - i), i);
    EXPECT_EQ(list.Capacity(), 3 * ChoiceList::kGrowth);
    ASSERT_EQ(list.Count(), 70);
    EXPECT_EQ(list.At(0), (Choice{"first", 7, 0}));
    for (int i = 1; i < 70; ++i)
        EXPECT_EQ(list.At(i), (Choice{std::to_string(100 - i), 100 - i, i}));
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 0u);
}

TEST(FillHalving, HalvesFromHighDownToLow) {
    ChoiceList list;
    EXPECT_EQ(FillHalving(list, 256, 4, 64), 2);
    EXPECT_EQ(Values(list), (std::vector<int>{256, 128, 64, 32, 16, 8, 4}));
    EXPECT_EQ(list.At(2).label, "64");
    // Nothing offered equals the value to select.
    EXPECT_EQ(FillHalving(list, 16, 4, 256), -1);
    EXPECT_EQ(Values(list), (std::vector<int>{16, 8, 4}));
    // A second fill replaces the first.
    EXPECT_EQ(FillHalving(list, 8, 1, 1), 3);
    EXPECT_EQ(Values(list), (std::vector<int>{8, 4, 2, 1}));
}

TEST(FillHalving, AlwaysOffersHighAndTruncatesOddValues) {
    ChoiceList list;
    EXPECT_EQ(FillHalving(list, 1, 2, 1), 0);
    EXPECT_EQ(Values(list), (std::vector<int>{1}));
    FillHalving(list, 13, 2, 0);
    EXPECT_EQ(Values(list), (std::vector<int>{13, 6, 3}));
}

TEST(FillHalving, EndsWhenHalvingStopsMakingProgress) {
    // A view without colours (0) or a hand-edited negative size must not add zeros for ever.
    ChoiceList list;
    EXPECT_EQ(FillHalving(list, 0, 0, 0), 0);
    EXPECT_EQ(Values(list), (std::vector<int>{0}));
    FillHalving(list, 5, -3, 0);
    EXPECT_EQ(Values(list), (std::vector<int>{5, 2, 1, 0}));
    FillHalving(list, -8, -20, 0);
    EXPECT_EQ(Values(list), (std::vector<int>{-8, -4, -2, -1, 0}));
}

}  // namespace
}  // namespace zolt
