#include "platform/number_format.h"

#include <tuple>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace tivka {
namespace {

TEST(NumberFormatTest, RoundsHalfAwayFromZeroOnTheExactValueAfterCuttingSignificantDigits)
{
    // value, decimals, significant digits, separator, text
    const std::tuple<double, int, int, const char*, const char*> cases[] = {
        {0.03125, 4, 15, ".", "0.0313"},  {-2.5, 0, 15, ".", "-3"},  // exact ties: away from zero, not to even
        {2.675, 2, 15, ".", "2.67"},      {1.00005, 4, 15, ".", "1.0001"},  // stored just below, just above a tie
        {9.99995, 4, 15, ".", "10.0000"},                                    // a carry into a new integer digit
        {123.45678, 4, 6, ".", "123.4570"}, {0.001234567, 8, 3, ".", "0.00123000"},  // significant digits first
        {1234567.8, 4, 6, ".", "1234570.0000"}, {-0.00004, 4, 6, ".", "0.0000"}, {-0.00005, 4, 15, ".", "-0.0001"},
        {1.23456, 4, 6, ",", "1,2346"},   {1.5, 2, 6, "\xD9\xAB", "1\xD9\xAB" "50"},  {7.6, 0, 6, ",", "8"},
        {1.25, -3, 0, ".", "1"}, {std::nan(""), 4, 6, ".", "NAN"}, {-HUGE_VAL, 4, 6, ".", "-INF"},
        // Edges of the integer path: 2^53, 19 decimals, ties at a coarser place.
        {9007199254740993.0, 0, 17, ".", "9007199254740992"}, {9007199254740991.0, 0, 15, ".", "9007199254740990"},
        {0.1, 19, 17, ".", "0.1000000000000000100"}, {0.1, 20, 25, ".", "0.10000000000000000555"},
        {1234565.0, 0, 6, ".", "1234570"}, {1234564.999999, 0, 6, ".", "1234560"},
    };
    for (const auto& [value, decimals, significant, separator, expected] : cases)
        EXPECT_EQ(FormatPrice(value, decimals, significant, separator), expected) << value << ", " << decimals;
    const std::string huge = FormatPrice(std::numeric_limits<double>::max(), 2, 15, ".");
    EXPECT_EQ(huge, "179769313486232" + std::string(294, '0') + ".00");
}

// The fast path against the full decimal expansion: exact ties at q decimals
// (odd multiples of 2^-(q+1)) with their neighbouring doubles, then values
// across all magnitudes, beyond the integer path and into subnormals.
TEST(NumberFormatTest, TiesAndAllMagnitudesAgreeWithTheFullExpansion)
{
    std::mt19937_64 random(20240611);
    std::vector<std::tuple<double, int, int>> values;  // value, decimals, significant digits
    for (int places = 0; places <= 7; ++places)
        for (int i = 0; i < 400; ++i) {
            const double tie = std::ldexp(double(2 * (random() % 40000000) + 1), -(places + 1));
            for (const double v : {tie, std::nextafter(tie, 0.0), std::nextafter(tie, 1e300), -tie})
                values.insert(values.end(), {{v, places, 15}, {v, places, 6}, {v, places, 3}});
        }
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    for (int exponent = -1080; exponent <= 80; ++exponent)
        for (const auto& [places, significant] : {std::pair{4, 15}, {2, 6}, {0, 1}, {19, 15}, {8, 3}})
            values.emplace_back(std::ldexp(mantissa(random), exponent), places, significant);
    for (const auto& [v, places, significant] : values)
        ASSERT_EQ(FormatPrice(v, places, significant, ","), detail::FormatPriceByExpansion(v, places, significant, ","))
            << std::hexfloat << v << " " << places << " decimals, " << significant << " significant";
}

}  // namespace
}  // namespace tivka
