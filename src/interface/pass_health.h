#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "export/refresh_events.h"
#include "platform/clock.h"

namespace tivka {

// What the indicator passes did, for monitoring: when the last pass started
// and ended and how it went, and for every pair asked for since the start the
// time and outcome of its last pass. Safe from any thread.
class PassHealth {
public:
    explicit PassHealth(const Clock& clock) : clock_(clock) {}

    // Takes one event of a refresh or a feed pass; the pass's own events
    // (PassStarted, PairRead, PairFailed, PassEnded) count, others are
    // ignored.
    void take(const RefreshEvent& event);

    struct PairOutcome {
        std::string pairText;
        std::int64_t at = 0;
        bool served = false;
        std::string reason;  // why not, in the window's words
    };
    struct Snapshot {
        std::optional<std::int64_t> startedAt;
        std::optional<std::int64_t> endedAt;  // of the last pass that ended
        bool cancelled = false;
        int served = 0;  // in the last pass
        int failed = 0;
        std::vector<PairOutcome> pairs;  // in the order first asked for
    };
    Snapshot snapshot() const;

private:
    const Clock& clock_;
    mutable std::mutex mutex_;
    Snapshot state_;
    int served_ = 0;  // in the pass under way
    int failed_ = 0;
};

}  // namespace tivka
