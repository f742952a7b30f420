#pragma once

#include <string>

#include "interface/json_interface.h"
#include "interface/latest_readings.h"
#include "interface/pass_health.h"

namespace tivka {

// The JSON interface with what it answers from, as the window and the feed
// run it: the latest readings (those of the history to begin with, then
// every reading recorded) and the health of the passes (every event told).
class InterfaceHost {
public:
    InterfaceHost(std::string historyPath, const Clock& clock);

    // Takes the latest readings of the history file, if there is one, and
    // starts answering on `address` (see JsonInterface::start).
    Status start(const std::string& address);
    int port() const { return interface_.port(); }

    // Where the readings go as well, from any thread.
    ReadingRecorder& recorder() { return latest_; }
    // Where the events go as well, from any thread.
    RefreshSink sink();

private:
    std::string historyPath_;
    LatestReadings latest_;
    PassHealth health_;
    JsonInterface interface_;
};

}  // namespace tivka
