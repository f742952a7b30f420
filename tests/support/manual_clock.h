#pragma once

#include "platform/clock.h"

namespace tivka::test {

// A clock the test sets by hand.
class ManualClock final : public Clock {
public:
    int currentMinute() const override { return minute; }
    int minute = 0;
};

}  // namespace tivka::test
