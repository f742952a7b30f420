#include "interface/served_feed.h"

#include <stdexcept>

#include "acquisition/pair_naming.h"
#include "chart/bmp_codec.h"
#include "chart_server/chart_server.h"
#include "shell/feed.h"

namespace tivka::test {

namespace {

// The feed's passes are run one by one here: nothing waits.
class NoWaiting final : public FeedWaiter {
public:
    Wake waitUntil(std::int64_t) override { return Wake::Stop; }
    bool stopRequested() override { return false; }
};

}  // namespace

void ServedFeed::Capture::record(const StoredReading& reading)
{
    std::lock_guard lock(mutex);
    readings.push_back(reading);
}

ServedFeed::ServedFeed(std::vector<std::string> requested, std::string missing)
    : requested_(std::move(requested)), missing_(std::move(missing))
{
    WriteBmpFile(charts::DigitTemplateBitmap(), "ndata.bmp");
    std::filesystem::create_directories(dir_ / "mt4/experts/files/Tivka");
    for (const std::string& pair : requested_)
        writeFile(dir_ / ("mt4/experts/files/Tivka/ir" + PairCode(pair) + ".dat"), "0");
    if (const Status started = host.start("127.0.0.1:0"); !started.ok())
        throw std::runtime_error(started.text());
}

void ServedFeed::pass(const std::string& chartTime, std::int64_t instant)
{
    charts::ChartServerOptions options;
    options.fixedTime = chartTime;
    options.notFoundPair = missing_;
    charts::ChartServer charts(options);
    charts.start();
    writeFile(dir_ / "tivka.INI", "[Setting]\nTIVKA_URL=http://127.0.0.1:" + std::to_string(charts.port()) +
                                      std::string(charts::kChartFolder) + "\nMt4_Path=" + dir_.path().string() +
                                      "/mt4/\n");
    clock_.instant = instant;
    HttpDownloader downloader;
    NoWaiting waiter;
    RecorderTee recorders(&host.recorder(), &capture_);
    FeedServices services;
    services.downloader = &downloader;
    services.clock = &clock_;
    services.waiter = &waiter;
    services.log = [](const std::string&) {};
    services.historyPath = historyPath_;
    services.alsoRecord = &recorders;
    services.listener = host.sink();
    Feed feed(FeedOptions{(dir_ / "tivka.INI").string(), std::nullopt}, services);
    if (const Status started = feed.start(false); !started.ok())
        throw std::runtime_error(started.text());
    feed.runPass();
}  // the feed's history writer stores what it holds as it ends

std::vector<StoredReading> ServedFeed::readings() const
{
    std::lock_guard lock(capture_.mutex);
    return capture_.readings;
}

StoredReading ServedFeed::latest(const std::string& pair, ChartKind kind) const
{
    std::lock_guard lock(capture_.mutex);
    for (auto held = capture_.readings.rbegin(); held != capture_.readings.rend(); ++held)
        if (held->pairText == pair && held->kind == kind)
            return *held;
    throw std::logic_error("no reading of " + pair);
}

}  // namespace tivka::test
