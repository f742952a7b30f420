#pragma once

#include <string>
#include <string_view>

namespace tivka {

// `text` as a JSON string literal, quotes included: '"' and '\' escaped,
// control characters as \u00XX, every other byte (UTF-8 included) as it is.
std::string JsonQuoted(std::string_view text);

}  // namespace tivka
