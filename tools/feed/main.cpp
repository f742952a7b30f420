// tivka-feed: Tivka without a window. Serves the MetaTrader 4 indicators on
// the window's schedule from the window's settings file, with the window's
// code, and (with --listen) answers the local JSON interface.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/download.h"
#include "common/options.h"
#include "history/history_store.h"
#include "history/iso_time.h"
#include "interface/interface_host.h"
#include "platform/clock.h"
#include "platform/conversions.h"
#include "platform/files.h"
#include "platform/numeric_locale.h"
#include "platform/paths.h"
#include "platform/process_signals.h"
#include "shell/feed.h"

namespace tivka::feed_tool {

namespace {

constexpr int kExitServed = 0;
constexpr int kExitUsage = 1;
constexpr int kExitNotServed = 2;

constexpr const char* kUsage =
    "Usage: tivka-feed [--settings FILE] [--once] [--every MINUTES] [--listen [HOST:]PORT] [--log-time]\n"
    "\n"
    "Serves the MetaTrader 4 indicators without a window: the indicator pass of the window, on the\n"
    "window's timers (TimerEn1/Time1: every N minutes; TimerEn2/Time2: once an hour at a minute), from\n"
    "the window's settings file, in the current folder (ndata.bmp, the working folder's lock).\n"
    "\n"
    "  --settings FILE    the settings file (default: tivka.INI beside the program)\n"
    "  --once             one pass, then exit: 0 every requested pair served, 2 some not\n"
    "  --every MINUTES    a pass every MINUTES minutes, whatever the settings' timers say\n"
    "  --listen [HOST:]PORT  answer the local JSON interface there (127.0.0.1 unless a host is given)\n"
    "  --log-time         start each log line with the UTC time (the journal adds its own)\n"
    "  -h, --help         this text\n"
    "\n"
    "One line per pass goes to standard error. SIGTERM and SIGINT end the feed within a second, a pass\n"
    "under way cancelled (exit status 0); SIGHUP reads the settings again and serves at once.\n"
    "Exit status 1: a usage or settings error.\n";

struct Options {
    bool once = false;
    bool logTime = false;
    std::string settingsPath;
    std::string listen;
    std::optional<std::int32_t> everyMinutes;
};

std::int32_t everyMinutes(const std::string& text)
{
    std::int32_t minutes = 0;
    if (!TryParseInteger(text, minutes) || minutes < 1 || minutes > 35791)
        throw tools::UsageError("--every needs a whole number of minutes from 1 to 35791, not '" + text + "'");
    return minutes;
}

Options parse(const std::vector<std::string>& args)
{
    Options options;
    tools::OptionParser()
        .flag("--once", [&] { options.once = true; })
        .flag("--log-time", [&] { options.logTime = true; })
        .value("--settings", [&](const std::string& v) { options.settingsPath = v; })
        .value("--listen", [&](const std::string& v) { options.listen = v; })
        .value("--every", [&](const std::string& v) { options.everyMinutes = everyMinutes(v); })
        .parse(args);
    return options;
}

// The window's settings file: "tivka.INI" beside the program.
Result<std::string> defaultSettingsPath()
{
    const Result<std::string> program = ProgramPath();
    if (!program.ok())
        return program.status();
    return SettingsPathFor(JoinPath(ParentFolder(program.value()), "tivka"));
}

// Waits on the process's signals for the feed.
class SignalWaiter final : public FeedWaiter {
public:
    SignalWaiter(ProcessSignals& signals, const Clock& clock) : signals_(signals), clock_(clock) {}
    Wake waitUntil(std::int64_t instant) override
    {
        switch (signals_.wait(double(instant - clock_.now()))) {
        case ProcessSignals::Wake::Stop: return Wake::Stop;
        case ProcessSignals::Wake::Reload: return signals_.takeReload() ? Wake::Reload : Wake::Time;
        default: return Wake::Time;
        }
    }
    bool stopRequested() override { return signals_.stopRequested(); }

private:
    ProcessSignals& signals_;
    const Clock& clock_;
};

int run(const std::vector<std::string>& args)
{
    HttpDownloader downloader;
    auto signals = ProcessSignals::Install([&downloader] { downloader.cancel(); });
    if (!signals.ok()) {
        std::cerr << "tivka-feed: " << signals.status().text() << "\n";
        return kExitUsage;
    }
    const Options options = parse(args);
    const SystemClock clock;
    const auto log = [&](const std::string& line) {
        std::cerr << (options.logTime ? IsoUtcText(clock.now()) + " " : std::string()) << line << std::endl;
    };

    // One Tivka per working folder, window or feed: two would write the same
    // chart files and serve the same folders at once.
    const std::string folder = CurrentFolder();
    const Result<FileLock> lock = FileLock::TryAcquire("tivka.lock");
    if (!lock.ok()) {
        const bool busy = lock.status().code() == Status::Code::Busy;
        std::cerr << "tivka-feed: "
                  << (busy ? "Tivka is already running in " + folder : "cannot lock " + JoinPath(folder, "tivka.lock"))
                  << " (" << lock.status().detail() << ")\n";
        return kExitUsage;
    }

    SignalWaiter waiter(*signals.value(), clock);
    FeedOptions feedOptions{options.settingsPath, options.everyMinutes};
    if (feedOptions.settingsPath.empty()) {
        const Result<std::string> path = defaultSettingsPath();
        if (!path.ok()) {
            std::cerr << "tivka-feed: " << path.status().text() << "\n";
            return kExitUsage;
        }
        feedOptions.settingsPath = path.value();
    }
    FeedServices services;
    services.downloader = &downloader;
    services.clock = &clock;
    services.waiter = &waiter;
    services.log = log;
    services.systemSeparator = SystemDecimalSeparator();
    services.historyPath = DefaultHistoryPath();
    InterfaceHost interface(services.historyPath, clock);
    if (!options.listen.empty()) {
        if (const Status listening = interface.start(options.listen); !listening.ok()) {
            std::cerr << "tivka-feed: " << listening.text() << "\n";
            return kExitUsage;
        }
        services.alsoRecord = &interface.recorder();
        services.listener = interface.sink();
        log("listening on port " + std::to_string(interface.port()));
    }
    int status = kExitServed;
    {
        Feed feed(feedOptions, services);
        if (const Status started = feed.start(!options.once); !started.ok()) {
            std::cerr << "tivka-feed: " << started.text() << "\n";
            return kExitUsage;
        }
        if (options.once)
            status = feed.runPass().allServed() ? kExitServed : kExitNotServed;
        else
            feed.run();
    }  // the history written
    // An interface client idling on a kept-open connection would hold its
    // worker, and so the ending, for up to its read timeout; with everything
    // written, the process ends at once instead.
    if (!options.listen.empty()) {
        std::cerr.flush();
        std::_Exit(status);
    }
    return status;
}

}  // namespace

}  // namespace tivka::feed_tool

int main(int argc, char** argv)
{
    using namespace tivka::feed_tool;
    return tivka::tools::RunTool("tivka-feed", kUsage, argc, argv, run, kExitUsage);
}
