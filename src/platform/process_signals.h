#pragma once

#include <functional>
#include <memory>

#include "platform/status.h"

namespace tivka {

// The signals a program without a window answers: SIGTERM and SIGINT (Ctrl+C)
// end it, SIGHUP asks it to read its settings again. The handler only writes
// a byte to a pipe; a thread of this object's reads it, so that a stop is
// acted on at once even while the program is busy (the feed cancels its
// downloads from `onStop`).
class ProcessSignals {
public:
    // Installs the handlers; once per process. `onStop` runs on the signal
    // thread when the first stop signal comes.
    static Result<std::unique_ptr<ProcessSignals>> Install(std::function<void()> onStop);
    ~ProcessSignals();
    ProcessSignals(const ProcessSignals&) = delete;
    ProcessSignals& operator=(const ProcessSignals&) = delete;

    enum class Wake { Time, Stop, Reload };
    // Waits until `seconds` have passed (Time) or a signal came: Stop once a
    // stop signal came (and from then on at once), Reload for a SIGHUP not
    // yet waited for.
    Wake wait(double seconds);
    bool stopRequested() const;
    // Whether a SIGHUP came since the last call (the request is taken).
    bool takeReload();

private:
    struct State;
    explicit ProcessSignals(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace tivka
