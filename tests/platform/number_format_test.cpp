#include "platform/number_format.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include <gtest/gtest.h>

namespace tivka {
namespace {

struct PriceCase {
    double value;
    int decimals;
    int maxSignificant;
    const char* separator;
    const char* expected;
};

TEST(FormatPriceTest, RoundsHalfAwayFromZeroOnTheExactValue)
{
    const PriceCase cases[] = {
        {1.23456, 4, 6, ".", "1.2346"},
        {109.4567, 2, 6, ".", "109.46"},
        {1.2, 4, 6, ".", "1.2000"},
        {0.03125, 4, 15, ".", "0.0313"},     // exact tie: away from zero, not to even
        {-0.03125, 4, 15, ".", "-0.0313"},
        {0.5, 0, 15, ".", "1"},
        {2.5, 0, 15, ".", "3"},
        {-2.5, 0, 15, ".", "-3"},
        {2.675, 2, 15, ".", "2.67"},         // stored just below the tie
        {1.2345, 3, 15, ".", "1.234"},       // likewise
        {1.00005, 4, 15, ".", "1.0001"},     // stored just above it
        {1.00015, 4, 15, ".", "1.0002"},
        {0.125, 2, 15, ".", "0.13"},
        {9.99995, 4, 15, ".", "10.0000"},    // carry into a new integer digit
        {99.999, 2, 15, ".", "100.00"},
        {0.0, 4, 6, ".", "0.0000"},
    };
    for (const PriceCase& c : cases)
        EXPECT_EQ(FormatPrice(c.value, c.decimals, c.maxSignificant, c.separator), c.expected)
            << c.value << " with " << c.decimals << " decimals";
}

TEST(FormatPriceTest, CutsToTheSignificantDigitsFirst)
{
    const PriceCase cases[] = {
        {123.45678, 4, 6, ".", "123.4570"},
        {123.45649, 4, 6, ".", "123.4560"},
        {1.234567, 6, 6, ".", "1.234570"},
        {0.001234567, 8, 3, ".", "0.00123000"},  // significant digits start at the first non-zero
        {1234567.8, 4, 6, ".", "1234570.0000"},  // more integer digits than significant ones
        {999999.5, 2, 6, ".", "1000000.00"},
        {0.00004, 4, 6, ".", "0.0000"},
    };
    for (const PriceCase& c : cases)
        EXPECT_EQ(FormatPrice(c.value, c.decimals, c.maxSignificant, c.separator), c.expected)
            << c.value;
}

TEST(FormatPriceTest, SignOnlyForValuesThatDoNotRoundToZero)
{
    EXPECT_EQ(FormatPrice(-0.00004, 4, 6, "."), "0.0000");
    EXPECT_EQ(FormatPrice(-0.0, 2, 6, "."), "0.00");
    EXPECT_EQ(FormatPrice(-0.00005, 4, 15, "."), "-0.0001");
    EXPECT_EQ(FormatPrice(-1.2345, 2, 6, "."), "-1.23");
    EXPECT_EQ(FormatPrice(-109.4567, 2, 6, "."), "-109.46");
}

TEST(FormatPriceTest, UsesTheGivenSeparatorAndNoGrouping)
{
    EXPECT_EQ(FormatPrice(1.23456, 4, 6, ","), "1,2346");
    EXPECT_EQ(FormatPrice(12345.5, 1, 15, ","), "12345,5");
    EXPECT_EQ(FormatPrice(1.5, 2, 6, "\xD9\xAB"), "1\xD9\xAB" "50");
    EXPECT_EQ(FormatPrice(7.6, 0, 6, ","), "8");
}

TEST(FormatPriceTest, ExtremeValuesStayWellFormed)
{
    EXPECT_EQ(FormatPrice(std::numeric_limits<double>::denorm_min(), 4, 15, "."), "0.0000");
    std::string huge = FormatPrice(std::numeric_limits<double>::max(), 2, 15, ".");
    EXPECT_EQ(huge.size(), 309u + 3u);
    EXPECT_EQ(huge.substr(0, 16), "1797693134862320");
    EXPECT_EQ(FormatPrice(std::nan(""), 4, 6, "."), "NAN");
    EXPECT_EQ(FormatPrice(-std::numeric_limits<double>::infinity(), 4, 6, "."), "-INF");
    EXPECT_EQ(FormatPrice(1.25, -3, 0, "."), "1");
}

// Exact ties at q decimals are the odd multiples of 2^-(q+1); each is checked
// with its two neighbouring doubles, which must round the other way or alike.
TEST(FormatPriceTest, TiesAndTheirNeighboursAgreeWithTheFullExpansion)
{
    std::mt19937_64 random(20240611);
    for (int places = 0; places <= 7; ++places) {
        for (int i = 0; i < 400; ++i) {
            const std::uint64_t odd = 2 * (random() % 40000000) + 1;
            const double tie = std::ldexp(double(odd), -(places + 1));
            for (const double v : {tie, std::nextafter(tie, 0.0), std::nextafter(tie, 1e300), -tie}) {
                for (const int significant : {15, 6, 3}) {
                    ASSERT_EQ(FormatPrice(v, places, significant, "."),
                              detail::FormatPriceByExpansion(v, places, significant, "."))
                        << std::hexfloat << v << " " << places << " decimals, " << significant << " significant";
                }
            }
        }
    }
    EXPECT_EQ(FormatPrice(std::ldexp(5.0, -4), 3, 15, "."), "0.313");  // 0.3125
    EXPECT_EQ(FormatPrice(std::nextafter(0.3125, 0.0), 3, 15, "."), "0.312");
    EXPECT_EQ(FormatPrice(std::nextafter(2.5, 3.0), 0, 15, "."), "3");
    EXPECT_EQ(FormatPrice(std::nextafter(2.5, 0.0), 0, 15, "."), "2");
}

// Values across the whole range of magnitudes, including those beyond the
// integer path (2^53 and up, more than 19 decimals) and subnormals.
TEST(FormatPriceTest, AllMagnitudesAgreeWithTheFullExpansion)
{
    std::mt19937_64 random(77);
    std::uniform_real_distribution<double> mantissa(0.5, 1.0);
    for (int exponent = -1080; exponent <= 80; exponent += 1) {
        for (int i = 0; i < 6; ++i) {
            const double v = std::ldexp(mantissa(random), exponent) * (i % 2 ? -1 : 1);
            for (const auto& [places, significant] : {std::pair{4, 15}, {2, 6}, {0, 1}, {19, 15}, {20, 17}, {8, 3}})
                ASSERT_EQ(FormatPrice(v, places, significant, ","),
                          detail::FormatPriceByExpansion(v, places, significant, ","))
                    << std::hexfloat << v << " " << places << " decimals, " << significant << " significant";
        }
    }
}

TEST(FormatPriceTest, EdgesOfTheIntegerPath)
{
    const PriceCase cases[] = {
        {4503599627370495.5, 1, 17, ".", "4503599627370495.5"},   // just below 2^52
        {4503599627370496.0, 1, 17, ".", "4503599627370496.0"},   // 2^52
        {9007199254740991.0, 0, 17, ".", "9007199254740991"},     // 2^53 - 1
        {9007199254740993.0, 0, 17, ".", "9007199254740992"},     // not representable: stored as 2^53
        {9007199254740991.0, 0, 15, ".", "9007199254740990"},
        {0.1, 19, 17, ".", "0.1000000000000000100"},               // 19 decimals, 17 significant
        {0.1, 20, 25, ".", "0.10000000000000000555"},
        {0.1, 19, 25, ".", "0.1000000000000000056"},
        {1.0, 19, 25, ".", "1.0000000000000000000"},
        {1e-300, 19, 15, ".", "0.0000000000000000000"},
        {99999.99999, 4, 15, ".", "100000.0000"},
        {123456.5, 0, 6, ".", "123457"},
        {123455.5, 0, 6, ".", "123456"},
        {1234565.0, 0, 6, ".", "1234570"},                          // tie at a coarser place
        {1234564.999999, 0, 6, ".", "1234560"},
    };
    for (const PriceCase& c : cases)
        EXPECT_EQ(FormatPrice(c.value, c.decimals, c.maxSignificant, c.separator), c.expected)
            << c.value << " with " << c.decimals << " decimals";
}

}  // namespace
}  // namespace tivka
