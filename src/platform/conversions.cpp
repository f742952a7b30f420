#include "platform/conversions.h"

#include <charconv>
#include <limits>

namespace tivka {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t skipBlanks(std::string_view text, std::size_t i)
{
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return i;
}

std::size_t skipDigits(std::string_view text, std::size_t i)
{
    while (i < text.size() && isDigit(text[i]))
        ++i;
    return i;
}

// The position of the first non-zero digit relative to the decimal point, as
// a power of ten (0 for "5", 1 for "50", -1 for ",5"); the lowest long when
// every digit is zero.
long leadingPowerOfTen(std::string_view intDigits, std::string_view fracDigits)
{
    std::size_t k = intDigits.find_first_not_of('0');
    if (k != std::string_view::npos)
        return static_cast<long>(intDigits.size() - k) - 1;
    k = fracDigits.find_first_not_of('0');
    if (k != std::string_view::npos)
        return -static_cast<long>(k) - 1;
    return std::numeric_limits<long>::min();
}

// Exponent digits as a number, saturated far beyond the range of double.
long saturatedExponent(std::string_view digits, bool negative)
{
    long value = 0;
    for (char c : digits)
        value = value < 1000000 ? value * 10 + (c - '0') : value;
    return negative ? -value : value;
}

}  // namespace

bool TryParseInteger(std::string_view text, std::int32_t& result)
{
    std::size_t i = skipBlanks(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        i += 1;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    // from_chars takes a bare digit run here: the sign and prefix are done.
    if (i == text.size() || text[i] == '+' || text[i] == '-')
        return false;
    std::uint32_t magnitude = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data() + i, end, magnitude, base);
    if (ec != std::errc() || ptr != end)
        return false;
    const std::uint32_t limit = negative ? 2147483648u : 2147483647u;
    if (magnitude > limit)
        return false;
    result = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                      : static_cast<std::int32_t>(magnitude);
    return true;
}

std::int32_t ParseInteger(std::string_view text)
{
    std::int32_t value = 0;
    if (!TryParseInteger(text, value))
        throw ConversionError("'" + std::string(text) + "' is not a valid integer value");
    return value;
}

bool TryParseNumber(std::string_view text, std::string_view decimalSeparator, double& result)
{
    const std::string_view sep = decimalSeparator.empty() ? std::string_view(".") : decimalSeparator;
    std::size_t i = skipBlanks(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';

    std::size_t intStart = i;
    i = skipDigits(text, i);
    std::string_view intDigits = text.substr(intStart, i - intStart);
    std::string_view fracDigits;
    if (text.substr(i, sep.size()) == sep) {
        i += sep.size();
        std::size_t fracStart = i;
        i = skipDigits(text, i);
        fracDigits = text.substr(fracStart, i - fracStart);
    }
    if (intDigits.empty() && fracDigits.empty())
        return false;

    bool expNegative = false;
    std::string_view expDigits;
    bool hasExponent = i < text.size() && (text[i] == 'e' || text[i] == 'E');
    if (hasExponent) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            expNegative = text[i++] == '-';
        std::size_t expStart = i;
        i = skipDigits(text, i);
        expDigits = text.substr(expStart, i - expStart);
        if (expDigits.empty())
            return false;
    }
    if (skipBlanks(text, i) != text.size())
        return false;

    // The grammar is checked; hand from_chars the same number in its own form.
    std::string plain;
    plain.reserve(text.size() + 4);
    if (negative)
        plain += '-';
    plain.append(intDigits.empty() ? std::string_view("0") : intDigits);
    if (!fracDigits.empty())
        plain.append(".").append(fracDigits);
    if (hasExponent)
        plain.append(expNegative ? "e-" : "e").append(expDigits);

    double value = 0;
    auto [ptr, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (ec == std::errc::result_out_of_range) {
        long power = leadingPowerOfTen(intDigits, fracDigits);
        bool allZero = power == std::numeric_limits<long>::min();
        if (!allZero && power + saturatedExponent(expDigits, expNegative) >= 0)
            return false;  // too large for a double
        value = negative ? -0.0 : 0.0;
    } else if (ec != std::errc() || ptr != plain.data() + plain.size()) {
        return false;
    }
    result = value;
    return true;
}

double ParseNumber(std::string_view text, std::string_view decimalSeparator)
{
    double value = 0;
    if (!TryParseNumber(text, decimalSeparator, value))
        throw ConversionError(NotANumberMessage(text));
    return value;
}

std::string NotANumberMessage(std::string_view text)
{
    return "'" + std::string(text) + "' is not a valid floating point value";
}

}  // namespace tivka
