#pragma once

#include "platform/clock.h"

namespace tivka::test {

// A clock the test sets by hand. Its local time is UTC, so that tests do
// not depend on the machine's time zone; setting `minute` moves the clock to
// that minute of the hour it is in.
class ManualClock final : public Clock {
public:
    std::int64_t now() const override { return instant; }
    LocalTime localTime(std::int64_t at) const override
    {
        const std::int64_t ofDay = ((at % 86400) + 86400) % 86400;
        return {int(ofDay / 3600), int(ofDay / 60 % 60)};
    }
    void setMinute(int minute) { instant = instant - instant % 3600 + minute * 60; }

    std::int64_t instant = 1796646600;  // 2026-12-07 12:30:00 UTC
};

}  // namespace tivka::test
