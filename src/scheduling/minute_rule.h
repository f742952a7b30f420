#pragma once

#include <cstdint>

namespace tivka {

struct MinuteRuleOutcome {
    bool fire;
    std::int32_t minuteFired;
};

// The hourly trigger, applied on every tick of the minute timer. `minute` is
// the current local minute (0-59), `setMinute` the set minute, `minuteFired` the
// trigger state before the tick; the outcome carries the new state. A tick in
// minute setMinute always fires; a tick in minute setMinute + 1 fires only when
// nothing fired in minute setMinute; ticks in minutes setMinute + 2 and + 3
// clear the state. Plain integer comparisons: nothing wraps past minute 59.
MinuteRuleOutcome ApplyMinuteRule(int minute, std::int32_t setMinute, std::int32_t minuteFired);

// The hourly refresh's trigger state between ticks of the minute timer.
class HourlyTrigger {
public:
    // Applies the minute rule for a tick in local minute `minute` with the
    // set minute `setMinute`; true when this tick refreshes.
    bool tick(int minute, std::int32_t setMinute);

private:
    std::int32_t minuteFired_ = 0;
};

}  // namespace tivka
