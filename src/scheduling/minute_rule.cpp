#include "scheduling/minute_rule.h"

namespace tivka {

MinuteRuleOutcome ApplyMinuteRule(int minute, std::int32_t setMinute, std::int32_t minuteFired)
{
    // 64-bit differences: the set minute comes from the settings file and may be any
    // 32-bit value, and minute - setMinute must not overflow.
    const std::int64_t past = std::int64_t(minute) - std::int64_t(setMinute);
    MinuteRuleOutcome outcome{false, minuteFired};
    if (past == 0) {
        outcome.fire = true;
        outcome.minuteFired = 1;
    }
    if (past == 1 && outcome.minuteFired == 0) {
        outcome.fire = true;
        outcome.minuteFired = 1;
    }
    if (past == 2 || past == 3)
        outcome.minuteFired = 0;
    return outcome;
}

bool HourlyTrigger::tick(int minute, std::int32_t setMinute)
{
    const MinuteRuleOutcome outcome = ApplyMinuteRule(minute, setMinute, minuteFired_);
    minuteFired_ = outcome.minuteFired;
    return outcome.fire;
}

}  // namespace tivka
