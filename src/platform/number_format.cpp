#include "platform/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

namespace tivka {

namespace {

// A non-negative decimal number as a digit string with the decimal point
// after `pointAt` digits.
struct Decimal {
    std::string digits;
    std::size_t pointAt = 0;
};

// The exact decimal expansion of |value|, which is finite. Every double is a
// multiple of 2^-1074, so 1074 fractional digits hold it without rounding.
// A leading "0" leaves room for a carry when rounding up.
Decimal exactExpansion(double value)
{
    char buffer[1500];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                   std::chars_format::fixed, 1074);
    if (ec != std::errc())
        throw std::runtime_error("cannot format a number");
    const char* end = ptr;
    const char* point = std::find(static_cast<const char*>(buffer), end, '.');
    Decimal result;
    result.digits.reserve(static_cast<std::size_t>(end - buffer) + 1);
    result.digits.push_back('0');
    result.digits.append(static_cast<const char*>(buffer), point);
    result.pointAt = result.digits.size();
    result.digits.append(point + 1, end);
    return result;
}

// Keeps the first `keep` digits, rounding half away from zero on the rest.
void roundToDigits(Decimal& number, std::size_t keep)
{
    bool up = keep < number.digits.size() && number.digits[keep] >= '5';
    number.digits.resize(keep);
    for (std::size_t i = keep; up && i-- > 0;) {
        up = number.digits[i] == '9';
        number.digits[i] = up ? '0' : static_cast<char>(number.digits[i] + 1);
    }
}

std::string nonFinite(double value)
{
    if (std::isnan(value))
        return "NAN";
    return value < 0 ? "-INF" : "INF";
}

}  // namespace

std::string FormatPrice(double value, int decimals, int maxSignificant,
                        std::string_view decimalSeparator)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    const std::size_t places = static_cast<std::size_t>(std::clamp(decimals, 0, 1074));
    const std::size_t significant = static_cast<std::size_t>(std::max(maxSignificant, 1));

    Decimal number = exactExpansion(value);
    std::size_t firstNonZero = number.digits.find_first_not_of('0');
    std::size_t keep = number.pointAt + places;
    if (firstNonZero != std::string::npos)
        keep = std::min(keep, firstNonZero + significant);
    roundToDigits(number, keep);
    number.digits.resize(number.pointAt + places, '0');

    std::string_view all = number.digits;
    std::string_view integer = all.substr(0, number.pointAt);
    integer.remove_prefix(std::min(integer.find_first_not_of('0'), integer.size()));
    bool isZero = all.find_first_not_of('0') == std::string_view::npos;

    std::string out;
    if (value < 0 && !isZero)
        out += '-';
    out.append(integer.empty() ? std::string_view("0") : integer);
    if (places > 0)
        out.append(decimalSeparator).append(all.substr(number.pointAt));
    return out;
}

}  // namespace tivka
