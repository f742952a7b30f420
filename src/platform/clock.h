#pragma once

namespace tivka {

// The local time of day, read in one place so that tests can set it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual int currentMinute() const = 0;  // 0-59, local time
};

class SystemClock final : public Clock {
public:
    int currentMinute() const override;
};

}  // namespace tivka
