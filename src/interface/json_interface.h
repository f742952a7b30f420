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
// Errors are {"error": "..."} with 400 (a bad or unknown parameter, a request
// the library cannot read, a header line over 8 KiB), 404 (no reading yet, no
// such path), 405 (another method), 413 (a body over 1 KiB), 414 (a target
// over 8 KiB), 431 (header lines over 8 KiB in all), 503 (too busy).
//
// It answers on four threads of its own, with a queue of 64 connections;
// beyond it a connection gets 503 at once, on the accepting thread. A
// connection is kept open for further requests (two seconds at most between
// them) unless others wait for a thread, the request was refused or carried a
// body: then the answer says "Connection: close". A client that sends nothing for two
// seconds is dropped. 128 connections may wait to be accepted. The port is
// never shared: a second interface on a port in use fails to start. It reads
// nothing but the history file.
//
// stop() waits for the connections being served; one that stays silent holds
// it up to the two seconds a client may stay silent (tivka-feed, ending on a
// signal, does not wait for it).
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
