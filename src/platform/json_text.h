#pragma once

#include <string>
#include <string_view>

namespace tivka {

// `text` as a JSON string literal, quotes included: '"' and '\' escaped,
// control characters as \u00XX, every other byte (UTF-8 included) as it is.
std::string JsonQuoted(std::string_view text);

// `value` as a JSON number: the shortest text that reads back as the same
// double ("1.2345", "109.87", "0"); null for a value JSON cannot hold
// (infinite, not a number).
std::string JsonNumber(double value);

}  // namespace tivka
