#pragma once

#include <string>
#include <string_view>

namespace tivka {

// Fixed notation with exactly `decimals` decimals: the value is first rounded,
// half away from zero on its exact binary value, to at most `maxSignificant`
// significant digits and at most `decimals` decimals; integer digits without
// grouping ("0" below 1), `decimalSeparator` between, "-" only for a value
// that does not round to zero. Independent of the C library locale.
// FormatPrice(0.03125, 4, 15, ".") == "0.0313"; (1.23456, 4, 6, ",") == "1,2346".
// A value with more integer digits than `maxSignificant` is still written in
// fixed notation, its lower integer digits rounded to zeros
// (1234567.8, 4, 6 gives "1234570.0000"). With `decimals` 0 no separator is
// written. decimals below 0 count as 0, maxSignificant below 1 as 1. NaN and
// infinities give "NAN", "INF" and "-INF".
std::string FormatPrice(double value, int decimals, int maxSignificant,
                        std::string_view decimalSeparator);

namespace detail {
// The same result from the value's full decimal expansion. FormatPrice works
// in 128-bit integers for values below 2^53 with at most 19 decimals and
// falls back to this for the rest; exposed so that the two can be compared.
std::string FormatPriceByExpansion(double value, int decimals, int maxSignificant,
                                   std::string_view decimalSeparator);
}  // namespace detail

}  // namespace tivka
