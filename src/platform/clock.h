#pragma once

#include <cstdint>

namespace tivka {

// A time of day in the user's local time.
struct LocalTime {
    int hour = 0;    // 0-23
    int minute = 0;  // 0-59
};

// The time, read in one place so that tests can set it.
class Clock {
public:
    virtual ~Clock() = default;
    // Seconds since 1970-01-01 00:00 UTC.
    virtual std::int64_t now() const = 0;
    // The local time of day at `instant` (seconds since the epoch).
    virtual LocalTime localTime(std::int64_t instant) const = 0;

    int currentMinute() const { return localTime(now()).minute; }
};

class SystemClock final : public Clock {
public:
    std::int64_t now() const override;
    LocalTime localTime(std::int64_t instant) const override;
};

}  // namespace tivka
