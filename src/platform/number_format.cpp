#include "platform/number_format.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
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

using Wide = unsigned __int128;

constexpr int kMaxFastPlaces = 19;  // keeps m * 10^places below 2^117

Wide powerOfTen(int n)
{
    Wide p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

constexpr Wide kLow64 = ~std::uint64_t(0);

int decimalDigits(Wide n)
{
    int count = 1;
    for (; n > kLow64; n /= 10)
        ++count;
    for (auto low = std::uint64_t(n); low >= 10; low /= 10)
        ++count;
    return count;
}

// Writes the decimal digits of n backwards ending at `end`, at least
// `minimum` of them (zeros in front); returns the first.
char* writeDigits(Wide n, char* end, std::size_t minimum)
{
    char* p = end;
    for (; n > kLow64; n /= 10)
        *--p = char('0' + int(n % 10));
    for (auto low = std::uint64_t(n); low != 0; low /= 10)
        *--p = char('0' + int(low % 10));
    while (std::size_t(end - p) < minimum)
        *--p = '0';
    return p;
}

// |value| times 10^places, rounded half away from zero, computed exactly in
// integers: |value| = m * 2^-s with m below 2^53 and s at least 1 (values
// below 2^53), so |value| * 10^places is m * 10^places / 2^s with a numerator
// below 2^117. Then rounded again at a coarser power of ten when more than
// `significant` digits would remain. Empty outside the range this covers.
std::optional<Wide> scaledAndRounded(double value, int places, int significant)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const int biased = int((bits >> 52) & 0x7FF);
    const std::uint64_t fraction = bits & ((std::uint64_t(1) << 52) - 1);
    const std::uint64_t mantissa = biased == 0 ? fraction : fraction | (std::uint64_t(1) << 52);
    const int shift = biased == 0 ? 1074 : 1075 - biased;  // |value| = mantissa * 2^-shift
    if (places > kMaxFastPlaces || shift < 1)
        return std::nullopt;
    const Wide scaled = mantissa * powerOfTen(places);
    if (shift >= 118)  // scaled < 2^117 <= half of 2^shift: rounds to zero
        return Wide(0);
    const Wide whole = scaled >> shift;
    const Wide rest = scaled & ((Wide(1) << shift) - 1);
    const int digits = decimalDigits(whole);
    if (whole == 0 || digits <= significant)
        return whole + (rest >= (Wide(1) << (shift - 1)) ? 1 : 0);
    // Too many digits: round at 10^excess instead. With a unit of 10^excess
    // and a lower part b (an integer) plus rest/2^shift (below 1), the value
    // rounds up exactly when b reaches half the unit, which is an integer.
    const int excess = digits - significant;
    const Wide unit = powerOfTen(excess);
    const Wide lower = whole % unit;
    return (whole / unit + (lower >= unit / 2 ? 1 : 0)) * unit;
}

// `rounded` holds the value times 10^places: at most 36 digits, one of them
// in front of the separator at least.
std::string layOut(bool negative, Wide rounded, std::size_t places, std::string_view decimalSeparator)
{
    char buffer[48];
    char* const end = buffer + sizeof buffer;
    const char* first = writeDigits(rounded, end, places + 1);
    const std::size_t integerDigits = std::size_t(end - first) - places;
    std::string out;
    out.reserve(std::size_t(end - first) + decimalSeparator.size() + 1);
    if (negative && rounded != 0)
        out += '-';
    out.append(first, integerDigits);
    if (places > 0)
        out.append(decimalSeparator).append(first + integerDigits, places);
    return out;
}

}  // namespace

namespace detail {

std::string FormatPriceByExpansion(double value, int decimals, int maxSignificant,
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

}  // namespace detail

std::string FormatPrice(double value, int decimals, int maxSignificant,
                        std::string_view decimalSeparator)
{
    if (!std::isfinite(value))
        return nonFinite(value);
    const int places = std::max(decimals, 0);
    const int significant = std::max(maxSignificant, 1);
    if (const auto rounded = scaledAndRounded(value, places, significant))
        return layOut(std::signbit(value), *rounded, std::size_t(places), decimalSeparator);
    return detail::FormatPriceByExpansion(value, decimals, maxSignificant, decimalSeparator);
}

}  // namespace tivka
