#include "dialogs/unsigned_field.h"

#include <gtest/gtest.h>

namespace zolt {
namespace {

TEST(ReadUnsignedField, TakesLeadingBlanksAndDigitsOnly) {
    EXPECT_EQ(ReadUnsignedField("250"), 250u);
    EXPECT_EQ(ReadUnsignedField("  \t42"), 42u);
    EXPECT_EQ(ReadUnsignedField("0"), 0u);
    EXPECT_EQ(ReadUnsignedField("007"), 7u);
    EXPECT_EQ(ReadUnsignedField("4294967295"), 4294967295u);
    for (const char* bad : {"", "   ", "-5", "+5", "- 5", "12a", "12 ", "1.5", "0x10", "a1",
                            "4294967296", "99999999999999999999"}) {
        EXPECT_EQ(ReadUnsignedField(bad), std::nullopt) << bad;
    }
}

TEST(ReadCountField, StopsAtTheLargestSignedValue) {
    EXPECT_EQ(ReadCountField("2147483647"), 2147483647);
    EXPECT_EQ(ReadCountField("2147483648"), std::nullopt);
    EXPECT_EQ(ReadCountField("4294967295"), std::nullopt);
    EXPECT_EQ(ReadCountField(" 0"), 0);
}

TEST(WriteUnsignedField, WritesPlainDecimals) {
    EXPECT_EQ(WriteUnsignedField(250), "250");
    EXPECT_EQ(WriteUnsignedField(0), "0");
    EXPECT_EQ(WriteUnsignedField(2147483647), "2147483647");
}

}  // namespace
}  // namespace zolt
