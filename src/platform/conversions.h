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

// Strict decimal text to 32-bit signed integer (leading/trailing blanks,
// optional sign, digits; "$hex" and "0x" forms as the classic RTL accepts
// them). Throws ConversionError. Independent of the C library locale.
std::int32_t StrToInt(std::string_view text);

// Strict text to double, using `decimalSeparator` (the system's, one or more
// bytes) as the only accepted decimal point. Throws ConversionError.
// Independent of the C library locale.
double StrToFloat(std::string_view text, std::string_view decimalSeparator);

}  // namespace tivka
