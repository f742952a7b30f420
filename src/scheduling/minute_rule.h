#pragma once

#include <cstdint>

namespace tivka {

struct MinuteRuleOutcome {
    bool fire;
    std::int32_t minuteFired;
};

// The hourly trigger, applied on every tick of the minute timer. `minute` is
// the current local minute (0-59), `time2` the set minute, `minuteFired` the
// trigger state before the tick; the outcome carries the new state. A tick in
// minute time2 always fires; a tick in minute time2 + 1 fires only when
// nothing fired in minute time2; ticks in minutes time2 + 2 and time2 + 3
// clear the state. Plain integer comparisons: nothing wraps past minute 59.
MinuteRuleOutcome ApplyMinuteRule(int minute, std::int32_t time2, std::int32_t minuteFired);

}  // namespace tivka
