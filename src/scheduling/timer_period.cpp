#include "scheduling/timer_period.h"

#include <limits>

namespace tivka {

std::optional<std::int32_t> PeriodInterval(std::int32_t minutes)
{
    constexpr std::int64_t msPerMinute = 60 * 1000;
    const std::int64_t ms = std::int64_t(minutes) * msPerMinute;
    if (ms <= 0 || ms > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return std::int32_t(ms);
}

bool IsArmableMinute(std::int32_t minute)
{
    return minute >= 1 && minute <= 59;
}

}  // namespace tivka
