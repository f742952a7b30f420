#include "scheduling/minute_rule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tivka {
namespace {

struct Tick {
    int minute;
    bool fires;
    std::int32_t minuteFiredAfter;
};

struct Sequence {
    const char* title;
    std::int32_t time2;
    std::vector<Tick> ticks;
    std::int32_t minuteFired = 0;  // at the start
};

// Minutes 0-59 over two hours with the set minute 59: minutes 60 and 61 never
// come, so the flag stays set; the set minute itself still fires every hour.
std::vector<Tick> twoHoursAt59()
{
    std::vector<Tick> ticks;
    for (int hour = 0; hour < 2; ++hour)
        for (int m = 0; m < 60; ++m)
            ticks.push_back({m, m == 59, hour == 0 && m < 59 ? 0 : 1});
    return ticks;
}

TEST(MinuteRule, TickSequences)
{
    const Sequence sequences[] = {
        {"one tick a minute (12:32:50 .. 12:36:50), set minute 33", 33,
         {{32, false, 0}, {33, true, 1}, {34, false, 1}, {35, false, 0}, {36, false, 0}}},
        {"busy thread from 12:32:40 to 12:34:20: caught up in minute 34", 33,
         {{32, false, 0}, {34, true, 1}, {34, false, 1}, {35, false, 0}}},
        {"every tick in the set minute fires", 33, {{33, true, 1}, {33, true, 1}, {33, true, 1}}},
        {"59 never clears the flag", 59, twoHoursAt59()},
        {"58 catches up only once: nothing clears the flag later", 58,
         {{57, false, 0}, {59, true, 1}, {0, false, 1}, {57, false, 1}, {59, false, 1}, {58, true, 1}}},
        {"minute 0 is not one after 59", 59, {{0, false, 0}, {1, false, 0}}},
        {"-1 acts as one before minute 0", -1, {{0, true, 1}, {1, false, 0}, {5, false, 0}}},
        {"extreme set minutes never match nor overflow", 2147483647, {{0, false, 0}, {59, false, 0}}},
        {"extreme set minutes never match nor overflow", -2147483647 - 1, {{0, false, 1}, {59, false, 1}}, 1},
    };
    for (const Sequence& s : sequences) {
        std::int32_t minuteFired = s.minuteFired;
        for (std::size_t i = 0; i < s.ticks.size(); ++i) {
            const MinuteRuleOutcome outcome = ApplyMinuteRule(s.ticks[i].minute, s.time2, minuteFired);
            const std::string where = std::string(s.title) + ", tick " + std::to_string(i);
            EXPECT_EQ(outcome.fire, s.ticks[i].fires) << where;
            EXPECT_EQ(outcome.minuteFired, s.ticks[i].minuteFiredAfter) << where;
            minuteFired = outcome.minuteFired;
        }
    }
}

}  // namespace
}  // namespace tivka
