#include "scheduling/refresh_schedule.h"

#include <algorithm>

#include "scheduling/minute_rule.h"
#include "scheduling/timer_period.h"

namespace tivka {

namespace {

constexpr std::int64_t kMinuteSeconds = kMinuteTimerIntervalMs / 1000;

}  // namespace

RefreshSchedule::RefreshSchedule(const TimerSettings& timers, std::int64_t armedAt) : timers_(timers)
{
    if (timers.periodicEnabled && PeriodInterval(timers.periodMinutes)) {
        periodSeconds_ = std::int64_t(timers.periodMinutes) * 60;
        periodicNext_ = armedAt + periodSeconds_;
    }
    if (timers.hourlyEnabled)
        minuteNext_ = armedAt + kMinuteSeconds;
}

std::optional<std::int64_t> RefreshSchedule::nextTick() const
{
    if (periodicNext_ && minuteNext_)
        return std::min(*periodicNext_, *minuteNext_);
    return periodicNext_ ? periodicNext_ : minuteNext_;
}

bool RefreshSchedule::takeDue(std::int64_t now, const Clock& clock)
{
    bool refresh = false;
    while (periodicNext_ && *periodicNext_ <= now) {
        refresh = true;
        *periodicNext_ += periodSeconds_;
    }
    while (minuteNext_ && *minuteNext_ <= now) {
        const MinuteRuleOutcome outcome =
            ApplyMinuteRule(clock.localTime(*minuteNext_).minute, timers_.hourlyMinute, minuteFired_);
        minuteFired_ = outcome.minuteFired;
        refresh = refresh || outcome.fire;
        *minuteNext_ += kMinuteSeconds;
    }
    return refresh;
}

}  // namespace tivka
