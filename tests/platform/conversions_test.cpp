#include "platform/conversions.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace tivka {
namespace {

TEST(StrToIntTest, AcceptsDecimalAndHexForms)
{
    const std::pair<const char*, std::int32_t> cases[] = {
        {"0", 0},       {"42", 42},     {"+17", 17},   {"-17", -17},          {"  33", 33},
        {"\t-5", -5},   {"007", 7},     {"$1F", 31},   {"$1f", 31},           {"0x1E", 30},
        {"0X1e", 30},   {"-$10", -16},  {"2147483647", 2147483647},           {"$7FFFFFFF", 2147483647},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ParseInteger(text), expected) << text;

    std::int32_t value = 99;
    EXPECT_FALSE(TryParseInteger("x", value));
    EXPECT_EQ(value, 99) << "a failed try leaves the result alone";
    EXPECT_TRUE(TryParseInteger("-3", value));
    EXPECT_EQ(value, -3);
}

TEST(StrToIntTest, RefusesEverythingElseWithTheUsersText)
{
    const char* refused[] = {
        "", "   ", "+", "-", "$", "0x", "12 ", "1 2", "12a", "1.0", "1,0", "--1", "+-1", "- 1",
        "2147483648", "-2147483649", "$80000000", "0xFFFFFFFF", "99999999999999999999",
        "yes", "0x-1", "$+1", "１２",
    };
    for (const char* text : refused) {
        try {
            ParseInteger(text);
            ADD_FAILURE() << "accepted '" << text << "'";
        } catch (const ConversionError& error) {
            EXPECT_EQ(error.what(), "'" + std::string(text) + "' is not a valid integer value");
        }
    }
}

struct FloatCase {
    const char* text;
    const char* separator;
    double expected;
};

TEST(StrToFloatTest, AcceptsNumbersWithTheGivenSeparatorGivingTheNearestDouble)
{
    const FloatCase cases[] = {
        {"1.2345", ".", 1.2345},  {"1,2345", ",", 1.2345}, {"-109.46", ".", -109.46}, {"+3", ".", 3.0},
        {"  2.5  ", ".", 2.5},    {"1.", ".", 1.0},        {".5", ".", 0.5},          {",5", ",", 0.5},
        {"1e3", ".", 1000.0},     {"1,5E-2", ",", 0.015},  {"2.5e+1", ".", 25.0},     {"0", ",", 0.0},
        {"1\xD9\xAB" "25", "\xD9\xAB", 1.25},  // a two-byte separator
        {"1.5", "", 1.5},                      // no separator known: "."
        {"1e-400", ".", 0.0},                  // too small for a double
        {"0.000e999999", ".", 0.0},
        {"1e-99999999999999999999999", ".", 0.0},
        {"0.1", ".", 0.1},
        {"1,00005", ",", 1.00005},
        {"0.10000000000000000555111512312578270211815834045410156250001", ".", 0.1},
        {"123456789012345678901234567890", ".", 1.2345678901234568e29},
    };
    for (const FloatCase& c : cases)
        EXPECT_EQ(ParseNumber(c.text, c.separator), c.expected) << c.text;
    EXPECT_TRUE(std::signbit(ParseNumber("-0", ".")));
}

TEST(StrToFloatTest, RefusesEverythingElseWithTheUsersText)
{
    const std::pair<const char*, const char*> refused[] = {
        {"", "."},     {"  ", "."},    {".", "."},       {"-", "."},     {"1.5", ","},  {"1,5", "."},
        {"1,234.5", "."}, {"1.2.3", "."}, {"1e", "."},   {"1e+", "."},   {"e5", "."},   {"inf", "."},
        {"nan", "."},  {"INF", "."},   {"0x1A", "."},    {"1e400", "."}, {"-1e400", "."}, {"1:30", "."},
        {"--1", "."},  {"1 .5", "."},  {"1.5x", "."},    {"+-1", "."},   {"1\xD9", "\xD9\xAB"},
        {"1e99999999999999999999999", "."},
    };
    for (const auto& [text, separator] : refused) {
        try {
            ParseNumber(text, separator);
            ADD_FAILURE() << "accepted '" << text << "' with separator '" << separator << "'";
        } catch (const ConversionError& error) {
            EXPECT_EQ(error.what(), "'" + std::string(text) + "' is not a valid floating point value");
        }
    }
}

}  // namespace
}  // namespace tivka
