#include "dialogs/field_text.h"

#include <gtest/gtest.h>

namespace zolt {
namespace {

TEST(ReadRealField, EmptyIsZeroAndOnlyFirst49CharactersCount) {
    EXPECT_EQ(ReadRealField(""), 0.0);
    EXPECT_EQ(ReadRealField("1e-3"), 0.001);
    EXPECT_FALSE(ReadRealField("1,5"));
    // A 50th character is not looked at, so a bad one there does no harm.
    EXPECT_EQ(ReadRealField(std::string(49, '1') + "x"), 1.1111111111111111e48);
}

TEST(ReadCountField, TakesLeadingBlanksAndDigitsUpToTheLargestSignedValue) {
    EXPECT_EQ(ReadCountField("  \t42"), 42);
    EXPECT_EQ(ReadCountField("007"), 7);
    EXPECT_EQ(ReadCountField("2147483647"), 2147483647);
    for (const char* bad : {"", "   ", "-5", "+5", "12a", "12 ", "1.5", "0x10", "2147483648",
                            "4294967295", "99999999999999999999"}) {
        EXPECT_EQ(ReadCountField(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(WriteCountField(2147483647), "2147483647");
}

}  // namespace
}  // namespace zolt
