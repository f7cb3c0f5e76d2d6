#include "settings/number_text.h"

#include <gtest/gtest.h>

namespace zolt {
namespace {

TEST(IsReal, AcceptsOnlyWholeDecimalReals) {
    struct Case {
        const char* text;
        bool valid;
    };
    const Case cases[] = {
        {"250", true},    {" \t250", true},  {"-2.5", true},    {"+.5", true},
        {"1.", true},     {"1e-3", true},    {"2.5E+10", true}, {"4.9406564584124654e-324", true},
        {"", false},      {" ", false},      {"250 ", false},   {"250\n", false},
        {"1,5", false},   {"1e", false},     {".", false},      {"+-1", false},
        {"--1", false},   {"inf", false},    {"-nan", false},   {"0x10", false},
        {"1e999", false}, {"1e-999", false}, {"1 2", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsReal(c.text), c.valid) << '"' << c.text << '"';
    EXPECT_FALSE(IsReal(std::string_view("1\0", 2)));
}

TEST(IsInteger, AcceptsSignedDigitsOnly) {
    EXPECT_TRUE(IsInteger(" -12"));
    EXPECT_TRUE(IsInteger("+7"));
    EXPECT_TRUE(IsInteger("99999999999999999999"));  // shape only
    for (const char* text : {"", "-", "1.0", "12x", "7 ", "1e3"})
        EXPECT_FALSE(IsInteger(text)) << text;
}

TEST(ReadRealText, EmptyIsZeroAndOnlyFirst49CharactersCount) {
    double value = 7.0;
    EXPECT_TRUE(ReadRealText("", value));
    EXPECT_EQ(value, 0.0);
    EXPECT_TRUE(ReadRealText("1e-3", value));
    EXPECT_EQ(value, 0.001);
    EXPECT_FALSE(ReadRealText("1,5", value));
    EXPECT_EQ(value, 0.001);
    // A 50th character is not looked at, so a bad one there does no harm.
    EXPECT_TRUE(ReadRealText(std::string(49, '1') + "x", value));
    EXPECT_EQ(value, 1.1111111111111111e48);
}

TEST(WriteRealText, FormatsLikePrintf) {
    EXPECT_EQ(WriteRealText(-2.5), "-2.5");
    EXPECT_EQ(WriteRealText(-0.0), "-0");
    EXPECT_EQ(WriteRealText(0.1), "0.10000000000000000555111512312578");
    EXPECT_EQ(FormatFixed6(200.0), "200.000000");
    EXPECT_EQ(FormatFixed6(2.5), "2.500000");
    EXPECT_EQ(FormatInt(-2147483647 - 1), "-2147483648");
}

}  // namespace
}  // namespace zolt
