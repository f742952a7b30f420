#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tivka {

// "2024-05-01T12:30:00Z" for seconds since the epoch (UTC).
std::string IsoUtcText(std::int64_t instant);

// Seconds since the epoch of a UTC time written "YYYY-MM-DD", "YYYY-MM-DDTHH:MM"
// or "YYYY-MM-DDTHH:MM:SS", each optionally ending in "Z" (a space may stand
// for the "T"). Nothing when the text is not such a time or names a day that
// does not exist.
std::optional<std::int64_t> ParseIsoUtc(std::string_view text);

}  // namespace tivka
