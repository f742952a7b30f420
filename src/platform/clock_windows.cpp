// The Windows implementation of the clock.
#include "platform/clock.h"

#include <ctime>

namespace tivka {

std::int64_t SystemClock::now() const
{
    return std::int64_t(std::time(nullptr));
}

LocalTime SystemClock::localTime(std::int64_t instant) const
{
    const std::time_t at = std::time_t(instant);
    std::tm local{};
    localtime_s(&local, &at);
    return {local.tm_hour, local.tm_min};
}

}  // namespace tivka
