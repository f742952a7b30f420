#include "shell/feed.h"

#include "history/history_recorder.h"
#include "scheduling/refresh_schedule.h"
#include "shell/failure_text.h"
#include "shell/refresh.h"
#include "shell/working_template.h"

namespace tivka {

namespace {

// What to set when nothing would ever start a pass.
Status noTimer(const std::string& settingsPath)
{
    return Status(Status::Code::Invalid, settingsPath,
                  "no refresh timer is enabled: set TimerEn1=1 with Time1=<minutes> (1 to 35791), or TimerEn2=1 with "
                  "Time2=<minute of the hour> (0 to 59), in section [Setting], or give --every MINUTES");
}

}  // namespace

Feed::Feed(FeedOptions options, FeedServices services)
    : options_(std::move(options)), services_(std::move(services))
{
}

Feed::~Feed() = default;

TimerSettings Feed::timers() const
{
    TimerSettings timers = settings_.timers;
    if (options_.everyMinutes) {
        timers.periodMinutes = *options_.everyMinutes;
        timers.periodicEnabled = true;
    }
    return timers;
}

Status Feed::readSettings()
{
    LoadedSettings loaded = LoadSettings(options_.settingsPath, services_.systemSeparator);
    if (!loaded.refused.empty())
        return Status(Status::Code::Invalid, options_.settingsPath,
                      RefusalMessage(options_.settingsPath, loaded.refused.front()));
    settings_ = std::move(loaded.settings);
    return {};
}

Status Feed::start(bool scheduled)
{
    if (Status read = readSettings(); !read.ok())
        return read;
    if (scheduled && !RefreshSchedule(timers(), 0).armed())
        return noTimer(options_.settingsPath);
    try {
        digits_ = LoadWorkingTemplate();
    } catch (const std::runtime_error& error) {
        return Status(Status::Code::BadData, "", error.what());
    }
    if (!services_.historyPath.empty()) {
        HistoryRecorderOptions history;
        history.path = services_.historyPath;
        history.keepDays = settings_.historyDays;
        history.startedAt = services_.clock->now();
        history.onFailure = [log = services_.log](const std::string& message) {
            log("История не сохраняется: " + message);
        };
        history_ = std::make_unique<HistoryRecorder>(std::move(history));
    }
    return {};
}

PassReport Feed::runPass()
{
    PassReport report;
    if (services_.waiter->stopRequested())
        return report;
    RecorderTee recorder(history_.get(), services_.alsoRecord);
    IndicatorPassConfig config = IndicatorPassConfigFor(settings_, services_.systemSeparator);
    config.recorder = &recorder;
    config.clock = services_.clock;
    pass_.serve(config, digits_, *services_.downloader, [&](RefreshEvent event) {
        report.take(event);
        if (services_.listener)
            services_.listener(std::move(event));
    });
    if (!services_.waiter->stopRequested())
        services_.log(report.line());
    return report;
}

void Feed::run()
{
    runPass();
    RefreshSchedule schedule(timers(), services_.clock->now());
    while (!services_.waiter->stopRequested()) {
        const FeedWaiter::Wake wake = services_.waiter->waitUntil(*schedule.nextTick());
        if (wake == FeedWaiter::Wake::Stop)
            break;
        if (wake == FeedWaiter::Wake::Reload) {
            // Settings that cannot be served leave the running ones in force.
            const Settings running = settings_;
            Status read = readSettings();
            if (read.ok() && !RefreshSchedule(timers(), 0).armed())
                read = noTimer(options_.settingsPath);
            if (!read.ok()) {
                settings_ = running;
                services_.log("settings not reloaded: " + read.detail());
                continue;
            }
            services_.log("settings reloaded from " + options_.settingsPath);
            schedule = RefreshSchedule(timers(), services_.clock->now());
            runPass();
            continue;
        }
        if (schedule.takeDue(services_.clock->now(), *services_.clock))
            runPass();
    }
}

}  // namespace tivka
