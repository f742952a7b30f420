#pragma once

// The feed as tivka-feed wires it (its settings file, the digit template in
// the working folder, the history file, the interface answering on a free
// loopback port), in a fresh folder, serving the indicator requests of one
// MetaTrader folder from the chart server.
#include <mutex>
#include <string>
#include <vector>

#include "interface/interface_host.h"
#include "support/manual_clock.h"
#include "support/test_support.h"

namespace tivka::test {

class ServedFeed {
public:
    // Flags ask for `requested` (pair texts); the chart server answers 404
    // for `missing`'s charts.
    ServedFeed(std::vector<std::string> requested, std::string missing);

    // One pass of a feed started anew, at `instant`, against a chart server
    // drawing the chart time `chartTime`; returns once the history holds its
    // readings.
    void pass(const std::string& chartTime, std::int64_t instant);

    // Every reading the passes made, in order.
    std::vector<StoredReading> readings() const;
    // The last one of a pair's chart.
    StoredReading latest(const std::string& pair, ChartKind kind) const;

    const std::string& historyPath() const { return historyPath_; }
    int port() const { return host.port(); }

private:
    class Capture final : public ReadingRecorder {
    public:
        void record(const StoredReading& reading) override;
        mutable std::mutex mutex;
        std::vector<StoredReading> readings;
    };

    TempDir dir_;
    ScopedCurrentDir here_{dir_.path()};
    std::vector<std::string> requested_;
    std::string missing_;
    std::string historyPath_ = (dir_.path() / "history.sqlite3").string();
    ManualClock clock_;
    Capture capture_;

public:
    InterfaceHost host{historyPath_, clock_};
};

}  // namespace tivka::test
