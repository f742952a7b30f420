#pragma once

#include <cstdint>

namespace tivka {

// The two automatic refreshes as the user set them: every `periodMinutes`
// minutes, and once an hour at minute `hourlyMinute`. Kept in the settings
// file (Time1, TimerEn1, Time2, TimerEn2).
struct TimerSettings {
    std::int32_t periodMinutes = 0;
    bool periodicEnabled = false;
    std::int32_t hourlyMinute = 33;
    bool hourlyEnabled = false;
};

}  // namespace tivka
