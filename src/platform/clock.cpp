// The POSIX implementation of the clock.
#include "platform/clock.h"

#include <ctime>

namespace tivka {

int SystemClock::currentMinute() const
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_min;
}

}  // namespace tivka
