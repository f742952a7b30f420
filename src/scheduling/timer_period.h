#pragma once

#include <cstdint>
#include <optional>

namespace tivka {

// The interval of the hourly timer: it ticks once a minute.
constexpr std::int32_t kMinuteTimerIntervalMs = 60000;

// The interval of the periodic timer for a period of `minutes`:
// minutes * 60 * 1000 ms. No interval (std::nullopt) for a period the timer
// cannot run with: 0, negative, or so long that the milliseconds do not fit
// in 32-bit signed (more than 35791 minutes).
std::optional<std::int32_t> PeriodInterval(std::int32_t minutes);

// Whether `minute` can be armed as the minute of the hourly refresh: 1 to 59.
// Minute 0 cannot be armed; other values would never come round.
bool IsArmableMinute(std::int32_t minute);

}  // namespace tivka
