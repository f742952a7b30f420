#include "scheduling/timer_period.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace tivka {
namespace {

TEST(TimerPeriod, MinutesBecomeMillisecondsWhenTheTimerCanRun)
{
    const struct {
        std::int32_t minutes;
        std::optional<std::int32_t> interval;
    } cases[] = {
        {1, 60000}, {15, 900000},
        {35791, 2147460000},    // the longest period that fits
        {35792, std::nullopt},  // 2147520000 ms: past 32-bit signed
        {71583, std::nullopt},  // wraps to a small positive value in 32 bits
        {0, std::nullopt}, {-1, std::nullopt}, {-2147483647 - 1, std::nullopt}, {2147483647, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PeriodInterval(c.minutes), c.interval) << c.minutes << " minutes";
}

TEST(TimerPeriod, OnlyMinutesOfTheHourAfterZeroCanBeArmed)
{
    for (int m : {1, 33, 58, 59})
        EXPECT_TRUE(IsArmableMinute(m)) << m;
    for (int m : {0, -1, 60, 99, -2147483647 - 1})
        EXPECT_FALSE(IsArmableMinute(m)) << m;
}

}  // namespace
}  // namespace tivka
