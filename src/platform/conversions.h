#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tivka {

// A text that a strict conversion refused. what() is the message the user
// sees: "'%s' is not a valid integer value" or
// "'%s' is not a valid floating point value", %s the text as given.
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Strict text to 32-bit signed integer. Accepted, and nothing else:
//   blank* sign? digits          decimal, e.g. "42", "  -7", "+0012"
//   blank* sign? "$" hexdigits   hexadecimal, e.g. "$1F", "-$10"
//   blank* sign? "0x" hexdigits  hexadecimal, "0X" too, e.g. "0x1e"
// blank = space or tab; sign = "+" or "-"; hex digits in either case. Nothing
// may follow the digits (no trailing blanks), and the value, sign included,
// must lie in [-2147483648, 2147483647]. Throws ConversionError. Independent
// of the C library locale.
std::int32_t ParseInteger(std::string_view text);

// As ParseInteger, but returns false instead of throwing (result then untouched).
bool TryParseInteger(std::string_view text, std::int32_t& result);

// Strict text to double, `decimalSeparator` (the system's, one or more bytes;
// "." when empty) being the only accepted decimal point. Accepted:
//   blank* sign? mantissa exponent? blank*
//   mantissa = digits [sep digits*] | sep digits     ("1", "1,5", "1,", ",5")
//   exponent = ("E" | "e") sign? digits              ("1,5E-3")
// At least one mantissa digit; no grouping; any other character (a "." under
// a "," separator, "inf", "nan", hex) is refused. A value beyond the range of
// double is refused; one too small to represent gives zero. Throws
// ConversionError. Independent of the C library locale.
double ParseNumber(std::string_view text, std::string_view decimalSeparator);

// As ParseNumber, but returns false instead of throwing (result then untouched).
bool TryParseNumber(std::string_view text, std::string_view decimalSeparator, double& result);

// The message ParseNumber throws for `text`.
std::string NotANumberMessage(std::string_view text);

}  // namespace tivka
