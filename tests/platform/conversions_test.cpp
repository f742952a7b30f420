#include "platform/conversions.h"

#include <cmath>
#include <optional>
#include <tuple>

#include <gtest/gtest.h>

namespace tivka {
namespace {

// The message a refused text is shown with: the text as typed.
template <typename Parse>
std::string refusal(Parse parse)
{
    try {
        parse();
    } catch (const ConversionError& error) {
        return error.what();
    }
    return "(accepted)";
}

TEST(ConversionsTest, IntegersInDecimalOrHexWithinThirtyTwoBits)
{
    const std::pair<const char*, std::optional<std::int32_t>> cases[] = {
        {"42", 42}, {"+17", 17}, {"\t -5", -5}, {"007", 7}, {"010", 10}, {"$1f", 31}, {"0x1E", 30}, {"0X1e", 30}, {"-$10", -16},
        {"2147483647", 2147483647}, {"$7FFFFFFF", 2147483647}, {"-2147483648", -2147483647 - 1},
        {"", {}}, {"  ", {}}, {"-", {}}, {"$", {}}, {"0x", {}}, {"12 ", {}}, {"1 2", {}}, {"12a", {}}, {"1.0", {}},
        {"--1", {}}, {"- 1", {}}, {"0x-1", {}}, {"$+1", {}}, {"2147483648", {}}, {"-2147483649", {}},
        {"$80000000", {}}, {"0xFFFFFFFF", {}}, {"99999999999999999999", {}}, {"１２", {}},
    };
    for (const auto& [text, expected] : cases) {
        std::int32_t value = 99;
        EXPECT_EQ(TryParseInteger(text, value), expected.has_value()) << text;
        EXPECT_EQ(value, expected.value_or(99)) << text;
        if (!expected) {
            EXPECT_EQ(refusal([&] { ParseInteger(text); }), "'" + std::string(text) + "' is not a valid integer value");
        }
    }
}

TEST(ConversionsTest, NumbersTakeOnlyTheGivenSeparatorAndGiveTheNearestDouble)
{
    const std::tuple<const char*, const char*, std::optional<double>> cases[] = {
        {"1,2345", ",", 1.2345}, {"-109.46", ".", -109.46}, {"  2.5  ", ".", 2.5}, {"1.", ".", 1.0}, {",5", ",", 0.5},
        {"1,5E-2", ",", 0.015}, {"2.5e+1", ".", 25.0}, {"1.5", "", 1.5}, {"1\xD9\xAB" "25", "\xD9\xAB", 1.25},
        {"1e-400", ".", 0.0}, {"0.000e999999", ".", 0.0}, {"1e-99999999999999999999999", ".", 0.0},  // too small: zero
        {"0.10000000000000000555111512312578270211815834045410156250001", ".", 0.1},
        {"123456789012345678901234567890", ".", 1.2345678901234568e29},
        {"", ".", {}}, {".", ".", {}}, {"-", ".", {}}, {"1.5", ",", {}}, {"1,234.5", ".", {}}, {"1.2.3", ".", {}},
        {"1e", ".", {}}, {"1e+", ".", {}}, {"e5", ".", {}}, {"inf", ".", {}}, {"nan", ".", {}}, {"0x1A", ".", {}},
        {"1e400", ".", {}}, {"-1e400", ".", {}}, {"1 .5", ".", {}}, {"+-1", ".", {}}, {"1\xD9", "\xD9\xAB", {}},
        {"1e99999999999999999999999", ".", {}},
    };
    for (const auto& [text, separator, expected] : cases) {
        double value = 99;
        EXPECT_EQ(TryParseNumber(text, separator, value), expected.has_value()) << text;
        EXPECT_EQ(value, expected.value_or(99)) << text;
        if (!expected) {
            EXPECT_EQ(refusal([&] { ParseNumber(text, separator); }),
                      "'" + std::string(text) + "' is not a valid floating point value");
        }
    }
    EXPECT_TRUE(std::signbit(ParseNumber("-0", ".")));
}

}  // namespace
}  // namespace tivka
