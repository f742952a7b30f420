#pragma once

#include <memory>
#include <string>

#include "interface/latest_readings.h"
#include "interface/pass_health.h"
#include "platform/clock.h"
#include "platform/status.h"

namespace tivka {

// Where the interface takes its answers from; every piece must outlive it.
struct InterfaceSources {
    std::string historyPath;  // /v1/history reads it; empty: no history kept
    const LatestReadings* latest = nullptr;
    const PassHealth* health = nullptr;
    const Clock* clock = nullptr;
};

// The local read-only JSON interface over HTTP (GET only):
//   /v1/pairs                 the pairs held and their latest reading times
//   /v1/readings/latest       ?pair=GBP/USD&kind=orders|positions[&variant=cumulative|noncumulative]
//   /v1/history               ?pair=&kind=[&variant=][&from=ISO][&to=ISO]: as tivka-history export --format json
//   /v1/health                the last pass and every pair's last outcome
// Errors are {"error": "..."} with 400 (a bad or unknown parameter), 404 (no
// reading yet, no such path), 405 (another method), 503 (too busy).
//
// It answers on threads of its own, a few at a time, with a bounded queue of
// connections (beyond it a connection gets 503 at once); a client that sends
// nothing for two seconds is dropped; a request larger than a few kilobytes is
// refused. It reads nothing but the history file.
class JsonInterface {
public:
    explicit JsonInterface(InterfaceSources sources);
    ~JsonInterface();
    JsonInterface(const JsonInterface&) = delete;
    JsonInterface& operator=(const JsonInterface&) = delete;

    // Binds `address` ("PORT" or "HOST:PORT"; the host 127.0.0.1 unless one
    // is given, port 0 for any free one) and starts answering. Fails with
    // Invalid for an address it cannot read, IoError when it cannot bind.
    Status start(const std::string& address);
    // The port bound (after start()).
    int port() const;
    // Stops answering and ends its threads; also done on destruction.
    void stop();

private:
    struct Server;
    InterfaceSources sources_;
    std::unique_ptr<Server> server_;
};

}  // namespace tivka
