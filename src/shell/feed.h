#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "acquisition/download.h"
#include "export/indicator_pass.h"
#include "export/reading_recorder.h"
#include "platform/clock.h"
#include "platform/status.h"
#include "shell/pass_report.h"
#include "shell/settings.h"

namespace tivka {

class HistoryRecorder;

// How the feed waits between passes: the program waits on its signals, a
// test moves its own clock.
class FeedWaiter {
public:
    enum class Wake { Time, Stop, Reload };
    virtual ~FeedWaiter() = default;
    // Waits until the clock reaches `instant`, or less when a signal comes.
    virtual Wake waitUntil(std::int64_t instant) = 0;
    virtual bool stopRequested() = 0;
};

struct FeedOptions {
    std::string settingsPath;
    std::optional<std::int32_t> everyMinutes;  // a periodic refresh of its own, whatever the settings say
};

// What the feed works through; the program passes the real ones, tests their
// own.
struct FeedServices {
    Downloader* downloader = nullptr;
    const Clock* clock = nullptr;
    FeedWaiter* waiter = nullptr;
    std::function<void(const std::string& line)> log;  // a line for standard error
    std::string systemSeparator = ".";
    // Where the readings go: the history file (empty: none) ...
    std::string historyPath;
    // ... and, when set, this recorder as well (the interface's latest readings).
    ReadingRecorder* alsoRecord = nullptr;
    // Told every event of every pass (the interface's health), on the feed's thread.
    RefreshSink listener;
};

// Tivka without a window: the indicator pass on the window's schedule, from
// the window's settings file, with the window's code. start() reads the
// settings and the digit template; run() serves the indicators once at once
// and then whenever a timer falls due, until a stop signal; a reload signal
// makes it read the settings again before the next pass.
class Feed {
public:
    Feed(FeedOptions options, FeedServices services);
    ~Feed();
    Feed(const Feed&) = delete;
    Feed& operator=(const Feed&) = delete;

    // Reads the settings and the template. Fails when a setting was refused,
    // the template cannot be used, or (with `scheduled`) no timer is enabled
    // and no period of its own was given: the detail then says which keys to
    // set.
    Status start(bool scheduled);

    // One pass now; its report is logged.
    PassReport runPass();

    // Passes until a stop signal.
    void run();

    const Settings& settings() const { return settings_; }

private:
    Status readSettings();
    TimerSettings timers() const;

    FeedOptions options_;
    FeedServices services_;
    Settings settings_;
    DigitTemplate digits_;
    IndicatorPass pass_;
    std::unique_ptr<HistoryRecorder> history_;
};

}  // namespace tivka
