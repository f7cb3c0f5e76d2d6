#include "settings/number_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace zolt {
namespace {

TEST(ParseReal, AcceptsOnlyWholeDecimalReals) {
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
        {"1e999", false}, {"1e-999", false}, {"1 2", false},    {"- 1", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseReal(c.text).has_value(), c.valid) << '"' << c.text << '"';
    EXPECT_FALSE(ParseReal(std::string_view("1\0", 2)));
    EXPECT_EQ(ParseReal(" -2"), -2.0);
    EXPECT_EQ(ParseReal("1e-3"), 0.001);
}

TEST(ParseInteger, TakesOneSignWhereAllowedAndKeepsToTheRange) {
    constexpr long long kMin = std::numeric_limits<long long>::min();
    constexpr long long kMax = std::numeric_limits<long long>::max();
    EXPECT_EQ(ParseInteger(" -12", -100, 100), -12);
    EXPECT_EQ(ParseInteger("+7", 0, 10), 7);
    EXPECT_EQ(ParseInteger("007", 0, 10), 7);
    EXPECT_EQ(ParseInteger("-9223372036854775808", kMin, kMax), kMin);
    EXPECT_EQ(ParseInteger("2147483647", 0, 2147483647, {.sign = false}), 2147483647);
    for (const char* text : {"", "-", "+-1", "1.0", "12x", "7 ", "1e3", "11", "-11",
                             "9223372036854775808", "99999999999999999999"})
        EXPECT_FALSE(ParseInteger(text, -10, 10)) << text;
    for (const char* text : {"+5", "-5", "- 5"})
        EXPECT_FALSE(ParseInteger(text, -10, 10, {.sign = false})) << text;
}

TEST(TruncateToInt, TruncatesTowardZeroWithinTheIntRange) {
    EXPECT_EQ(TruncateToInt(-12.9), -12);
    EXPECT_EQ(TruncateToInt(2147483647.9), 2147483647);
    EXPECT_EQ(TruncateToInt(-2147483648.9), -2147483647 - 1);
    for (double bad : {2147483648.0, -2147483649.0, std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity()})
        EXPECT_FALSE(TruncateToInt(bad)) << bad;
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
