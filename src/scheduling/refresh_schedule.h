#pragma once

#include <cstdint>
#include <optional>

#include "platform/clock.h"
#include "scheduling/timer_settings.h"

namespace tivka {

// When the automatic refreshes fall due, by the same two timers the window
// runs: the periodic one ticks every periodMinutes minutes from the moment it
// was armed; the minute one ticks once a minute from then and refreshes by the
// minute rule at hourlyMinute. Times are seconds on the caller's clock, so a
// test drives it with a clock of its own.
//
// A periodic timer enabled with a period it cannot run with (0, negative,
// longer than 35791 minutes) never ticks; an hourly one with a minute outside
// 0-59 ticks but never refreshes.
class RefreshSchedule {
public:
    RefreshSchedule(const TimerSettings& timers, std::int64_t armedAt);

    // Whether a timer ticks at all.
    bool armed() const { return periodicNext_ || minuteNext_; }
    // The earliest instant a timer ticks next; nothing when none is armed.
    std::optional<std::int64_t> nextTick() const;

    // Takes every tick due by `now`, the minute ticks each through the minute
    // rule with the local minute `clock` gives for its instant. True when at
    // least one of them refreshes: ticks that fell due together (or while the
    // caller was busy) make one refresh, as the window skips a refresh asked
    // for while one runs.
    bool takeDue(std::int64_t now, const Clock& clock);

private:
    TimerSettings timers_;
    std::optional<std::int64_t> periodicNext_;
    std::int64_t periodSeconds_ = 0;
    std::optional<std::int64_t> minuteNext_;
    std::int32_t minuteFired_ = 0;
};

}  // namespace tivka
