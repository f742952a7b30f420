#include "scheduling/minute_rule.h"

#include <gtest/gtest.h>

#include <vector>

namespace tivka {
namespace {

struct Tick {
    int minute;
    bool fires;
    std::int32_t minuteFiredAfter;
};

// Runs the ticks in order from a fresh start (MinuteFired 0), checking each.
void runTicks(std::int32_t time2, const std::vector<Tick>& ticks, std::int32_t minuteFired = 0)
{
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const MinuteRuleOutcome outcome = ApplyMinuteRule(ticks[i].minute, time2, minuteFired);
        EXPECT_EQ(outcome.fire, ticks[i].fires) << "tick " << i << " in minute " << ticks[i].minute;
        EXPECT_EQ(outcome.minuteFired, ticks[i].minuteFiredAfter) << "tick " << i << " in minute " << ticks[i].minute;
        minuteFired = outcome.minuteFired;
    }
}

TEST(MinuteRule, OneTickAMinuteFiresOnceInTheSetMinute)
{
    // Ticks at 12:32:50 .. 12:36:50 with the minute set to 33.
    runTicks(33, {{32, false, 0}, {33, true, 1}, {34, false, 1}, {35, false, 0}, {36, false, 0}});
}

TEST(MinuteRule, MissedSetMinuteIsCaughtUpInTheNextMinute)
{
    // The thread was busy from 12:32:40 to 12:34:20: no tick in minute 33.
    runTicks(33, {{32, false, 0}, {34, true, 1}, {34, false, 1}, {35, false, 0}});
}

TEST(MinuteRule, EveryTickInTheSetMinuteFires)
{
    runTicks(33, {{33, true, 1}, {33, true, 1}, {33, true, 1}});
}

TEST(MinuteRule, MinuteFiftyNineNeverClearsTheFlag)
{
    // Minutes 60 and 61 never come, so the flag stays set; the set minute
    // itself still fires every hour.
    std::vector<Tick> hours;
    for (int hour = 0; hour < 2; ++hour)
        for (int m = 0; m < 60; ++m)
            hours.push_back({m, m == 59, hour == 0 && m < 59 ? 0 : 1});
    runTicks(59, hours);
}

TEST(MinuteRule, MinuteFiftyEightCatchesUpOnlyOnce)
{
    // First hour: minute 58 fires and sets the flag, which nothing clears.
    // Later a missed minute 58 is not caught up in minute 59.
    runTicks(58, {{57, false, 0}, {59, true, 1}, {0, false, 1}, {57, false, 1}, {59, false, 1}, {58, true, 1}});
}

TEST(MinuteRule, NoWrapAroundPastTheHour)
{
    // Minute 0 is not "one after 59"; a set minute of -1 acts as one before
    // minute 0; extreme set minutes never match and never overflow.
    runTicks(59, {{0, false, 0}, {1, false, 0}});
    runTicks(-1, {{0, true, 1}, {1, false, 0}, {5, false, 0}});
    runTicks(2147483647, {{0, false, 0}, {59, false, 0}});
    runTicks(-2147483647 - 1, {{0, false, 1}, {59, false, 1}}, 1);
}

}  // namespace
}  // namespace tivka
