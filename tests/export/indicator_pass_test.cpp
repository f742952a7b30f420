// What the indicator pass writes of charts the chart server drew: the flags
// and data files in every MetaTrader folder that asked (over HTTP, with three
// folders below a fresh current folder). What must be written is worked out
// from the charts' models alone.
#include <gmock/gmock.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>

#include "acquisition/pair_naming.h"
#include "chart/png_codec.h"
#include "chart_server/chart_server.h"
#include "chart_server/style_changes.h"
#include "export/chart_models.h"
#include "export/indicator_data.h"
#include "export/indicator_pass.h"
#include "reading/layout_warning.h"
#include "shell/failure_text.h"
#include "support/manual_clock.h"
#include "support/test_support.h"

namespace tivka::test {
namespace {

namespace fs = std::filesystem;
using charts::ChartFault;

// Real downloads one after the other; an address ending in `unreachable`
// fails as a host that cannot be reached does.
class Downloads final : public Downloader {
public:
    DownloadOutcome download(const std::string& url, const std::string& fileName) override
    {
        onDownload();
        if (!unreachable.empty() && url.ends_with(unreachable))
            return {false, 0, "", "Couldn't connect to server", false, {}};
        return curl.download(url, fileName);
    }
    std::vector<DownloadOutcome> downloadAll(const std::vector<DownloadJob>& jobs,
                                             const std::function<void(std::size_t)>& onDone) override
    {
        std::vector<DownloadOutcome> all;
        for (const DownloadJob& job : jobs) {
            all.push_back(download(job.url, job.fileName));
            onDone(all.size() - 1);
        }
        return all;
    }
    HttpDownloader curl;
    std::string unreachable;
    std::function<void()> onDownload = [] {};
};

// The files closed after writing in the watched folders, as "<label>/<name>",
// in the order they were written, with no clock involved. Opens are watched
// only so that two writes of one file in a row are not merged into one event.
struct WriteLog {
    ~WriteLog() { ::close(fd); }
    void watch(const fs::path& folder, const std::string& label)
    {
        labels[inotify_add_watch(fd, folder.c_str(), IN_OPEN | IN_CLOSE_WRITE)] = label;
    }
    std::vector<std::string> events()
    {
        std::vector<std::string> out;
        alignas(inotify_event) char buffer[65536];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            for (auto* event = reinterpret_cast<inotify_event*>(buffer); (char*)event < buffer + n;
                 event = reinterpret_cast<inotify_event*>((char*)(event + 1) + event->len))
                if (event->mask & IN_CLOSE_WRITE)
                    out.push_back(labels[event->wd] + "/" + event->name);
        return out;
    }
    int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    std::map<int, std::string> labels;
};

// The fixture is the window that watches the pass and the history it hands
// readings to. The parameter chooses fetching every chart at once (true) or
// pair by pair.
class IndicatorPassTest : public ::testing::TestWithParam<bool>, ReadingRecorder {
protected:
    IndicatorPassTest()
    {
        server_.start();
        config_.chartUrl = "http://127.0.0.1:" + std::to_string(server_.port()) + std::string(charts::kChartFolder);
        config_.overlapped = GetParam();
        config_.recorder = this;
        config_.clock = &clock_;
        for (std::size_t i = 0; i < 3; ++i) {
            config_.folders[i] = {"mt4_" + std::to_string(i) + "\\experts\\files\\Tivka\\", true};
            fs::create_directories(folder(int(i)));
        }
    }
    void tell(const RefreshEvent& event)
    {
        if (const auto* failed = std::get_if<PairFailed>(&event)) {
            failures_.push_back(IndicatorFailureMessage(failed->pairText, failed->failures));
            if (onFailure_)
                onFailure_();
        } else if (const auto* refused = std::get_if<FileRefused>(&event)) {
            refused_.push_back(refused->refusal.subject());
        } else if (const auto* read = std::get_if<PairRead>(&event)) {
            const std::string code = PairCode(read->pairText);
            read_.push_back(code + "\r\n" + IndicatorDataText(read->readings[ChartKind::Orders],
                                                              read->readings[ChartKind::Positions],
                                                              DecimalsOfPairCode(code)));
            warnings_.push_back(PairLayoutWarning(code + " ", read->layout));
        }
    }
    void record(const StoredReading& reading) override { kept_.push_back(reading); }

    // Every chart as drawn at 12:30, but the EUR/USD orders chart as the test says.
    charts::ChartServerOptions serverOptions()
    {
        charts::ChartServerOptions options;
        options.fixedTime = "12:30";
        const auto eurUsdOrders = [](const charts::ChartFile& file) {
            return file.pair == "EUR_USD" && file.kind == charts::ChartKind::Orders;
        };
        options.faultFor = [=, this](const charts::ChartFile& file) {
            std::lock_guard lock(mutex_);
            return eurUsdOrders(file) ? fault_ : ChartFault::None;
        };
        options.chartBody = [=, this](const charts::ChartFile& file) {
            std::lock_guard lock(mutex_);
            return eurUsdOrders(file) ? body_ : std::nullopt;
        };
        return options;
    }
    void serveEurUsdOrders(ChartFault fault, std::optional<std::string> body = std::nullopt)
    {
        std::lock_guard lock(mutex_);
        fault_ = fault;
        body_ = std::move(body);
    }
    static fs::path folder(int i) { return fs::path("mt4_" + std::to_string(i)) / "experts" / "files" / "Tivka"; }
    static fs::path flag(int i, const std::string& code) { return folder(i) / ("ir" + code + ".dat"); }
    static fs::path data(int i, const std::string& code) { return folder(i) / (code + ".csv"); }
    void request(int i, const std::string& code, const std::string& text = "0") { writeFile(flag(i, code), text); }
    void run()
    {
        pass_.serve(config_, digits_, downloads_, [this](RefreshEvent event) { tell(event); });
    }

    // The data file the pass must write for a pair, from its charts' models.
    std::string expected(const std::string& pairText)
    {
        std::string out;
        for (const bool orders : {true, false}) {
            const charts::ChartModel model = charts::ChartModelFor(
                {orders ? charts::ChartKind::Orders : charts::ChartKind::Positions,
                 config_.cumulative[orders ? ChartKind::Orders : ChartKind::Positions], PairName(pairText)},
                1, "12:30");
            out += orders ? model.timeText + "\r\n" + model.priceText + "\r\nOrders\r\n" : "Position\r\n";
            for (int x = 76; x <= 434; ++x)
                if (x != 255)
                    out += ModelPriceText(model, x) + ";" + std::to_string(model.buy[x - 75].countedPixels() * 100 / 74)
                           + ";" + std::to_string(model.sell[x - 75].countedPixels() * 100 / 74) + "\r\n";
        }
        return out;
    }
    // A pair's flag ("folder: <what it holds>", "none" or its bytes) and data
    // file ("+data" when it is exactly what the models give) in a folder.
    std::string state(int i, const std::string& pairText)
    {
        const fs::path f = flag(i, PairCode(pairText)), d = data(i, PairCode(pairText));
        return (fs::is_directory(f) ? "folder: " + readFile(f / "a") : fs::exists(f) ? readFile(f) : "none") +
               (!fs::is_regular_file(d) ? "" : readFile(d) == expected(pairText) ? "+data" : "+other data");
    }

    TempDir temp_;
    ScopedCurrentDir cwd_{temp_.path()};
    std::mutex mutex_;
    ChartFault fault_ = ChartFault::None;
    std::optional<std::string> body_;
    charts::ChartServer server_{serverOptions()};
    DigitTemplate digits_{charts::DigitTemplateBitmap()};
    IndicatorPassConfig config_;
    IndicatorPass pass_;
    Downloads downloads_;
    ManualClock clock_;
    std::vector<std::string> failures_;
    std::function<void()> onFailure_;
    std::vector<std::string> read_;
    std::vector<std::string> refused_;  // files told as left alone
    std::vector<std::string> warnings_;
    std::vector<StoredReading> kept_;
};

INSTANTIATE_TEST_SUITE_P(Fetching, IndicatorPassTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "AllAtOnce" : "PairByPair"; });

TEST_P(IndicatorPassTest, EveryFolderThatAskedGetsFlagOneTheDataAndFlagTwoInTurn)
{
    config_.cumulative[ChartKind::Orders] = true;
    for (const auto& [i, code] : {std::pair(0, "USDJPY"), std::pair(2, "USDJPY"), std::pair(1, "GBPUSD"),
                                  std::pair(2, "GBPUSD")})
        request(i, code);
    WriteLog log;
    for (int i = 0; i < 3; ++i)
        log.watch(folder(i), std::to_string(i));
    run();
    // Pairs in the order of the pair list, folders in their order.
    EXPECT_THAT(log.events(), ::testing::ElementsAre("1/irGBPUSD.dat", "1/GBPUSD.csv", "1/irGBPUSD.dat",
                                                     "2/irGBPUSD.dat", "2/GBPUSD.csv", "2/irGBPUSD.dat",
                                                     "0/irUSDJPY.dat", "0/USDJPY.csv", "0/irUSDJPY.dat",
                                                     "2/irUSDJPY.dat", "2/USDJPY.csv", "2/irUSDJPY.dat"));
    EXPECT_EQ(state(0, "GBP/USD") + " " + state(1, "GBP/USD") + " " + state(2, "GBP/USD"), "none 2+data 2+data");
    EXPECT_EQ(state(0, "USD/JPY") + " " + state(1, "USD/JPY") + " " + state(2, "USD/JPY"), "2+data none 2+data");
    EXPECT_FALSE(fs::exists("MTpGBPUSD.png") || fs::exists("MToUSDJPY.png")) << "charts left behind";
    EXPECT_TRUE(failures_.empty());

    // The window gets both readings of each pair, no layout warning; the
    // history gets them too, positions first, with their variants, the
    // pass's time and the layout guard's verdict (all passed).
    const std::string gbp = expected("GBP/USD"), jpy = expected("USD/JPY");
    EXPECT_EQ(read_, (std::vector<std::string>{"GBPUSD\r\n" + gbp, "USDJPY\r\n" + jpy}));
    EXPECT_EQ(warnings_, (std::vector<std::string>{"", ""}));
    std::vector<std::string> kept;
    for (const StoredReading& r : kept_)
        kept.push_back(r.pairText + (r.kind == tivka::ChartKind::Orders ? " orders " : " positions ") +
                       std::to_string(r.cumulative) + " " + std::to_string(r.fetchedAt - clock_.instant) +
                       (r.failedChecks && r.failedChecks->empty() ? " passed" : " not passed"));
    ASSERT_EQ(kept, (std::vector<std::string>{"GBP/USD positions 0 0 passed", "GBP/USD orders 1 0 passed",
                                              "USD/JPY positions 0 0 passed", "USD/JPY orders 1 0 passed"}));
    EXPECT_EQ(IndicatorDataText(kept_[1].reading, kept_[0].reading, 4), gbp);
    EXPECT_EQ(IndicatorDataText(kept_[3].reading, kept_[2].reading, 2), jpy);
}

// A chart whose layout looks changed is read and served all the same (the
// user may want its figures); the window is told, and the history keeps the
// reading with the checks it failed.
TEST_P(IndicatorPassTest, AFlaggedChartIsServedAndKeptWithItsMark)
{
    const Bitmap taller =
        charts::GrowPicture(charts::ChartPicture({charts::ChartKind::Orders, false, "EUR_USD"}, 1, "12:30"), 0, 20);
    const std::vector<std::uint8_t> png = EncodePng(taller);
    serveEurUsdOrders(ChartFault::None, std::string(png.begin(), png.end()));
    request(0, "EURUSD");
    run();
    EXPECT_EQ(state(0, "EUR/USD"), "2+data");
    EXPECT_EQ(warnings_, (std::vector<std::string>{
                             "Разметка графика изменилась: EURUSD ордера: картинка 531 × 276 точек, а не 531 × 256"}));
    ASSERT_EQ(kept_.size(), 2u);
    EXPECT_EQ(kept_[0].failedChecks, LayoutChecks());
    EXPECT_EQ(kept_[1].failedChecks, LayoutChecks(1u << unsigned(LayoutCheck::PictureSize)));
}

// GBP/USD, EUR/USD and AUD/USD asked for in the first folder, GBP/USD in the
// second too. A pair whose charts cannot be had or read is reported once and
// left alone; a folder that cannot be served never gets a flag the indicator
// did not make, nor a "2" over a data file that was not written. Everything
// else is served, and a pass started meanwhile (a timer firing while the
// message is up) does nothing.
TEST_P(IndicatorPassTest, WhatCannotBeServedIsLeftAloneAndEverythingElseIsServed)
{
    charts::ChartModel unreadable = charts::ChartModelFor({charts::ChartKind::Orders, false, "EUR_USD"}, 1, "12:30");
    unreadable.priceText = "1:2345";
    const std::vector<std::uint8_t> png = EncodePng(charts::RenderChart(unreadable));
    const std::string url = config_.chartUrl + "orders_noncumulative_EUR_USD.png";
    const fs::path gbpFlag = flag(0, "GBPUSD"), gbpData = data(0, "GBPUSD"), elsewhere = "elsewhere";
    const std::string eurUsdFailed = "2+data request 2+data";
    // How the case is arranged (false: it cannot be here), what the message
    // says after the pair's name, the states of the three pairs in the first
    // folder, and whether a file of GBP/USD there is told as left alone.
    const std::tuple<std::function<bool()>, std::string, std::string, bool> cases[] = {
        {[&] { return downloads_.unreachable = url, true; },
         "Сервер недоступен: " + url + " (Couldn't connect to server)", eurUsdFailed, false},
        {[&] { return serveEurUsdOrders(ChartFault::NotFound), true; }, "Сервер ответил 404 Not Found: " + url,
         eurUsdFailed, false},
        {[&] { return serveEurUsdOrders(ChartFault::NotPng), true; },
         "MToEURUSD.png from " + url + ": not a PNG image (starts with '<", eurUsdFailed, false},
        {[&] { return serveEurUsdOrders(ChartFault::Truncate), true; },
         "MToEURUSD.png from " + url + ": the PNG data is truncated", eurUsdFailed, false},
        {[&] { return serveEurUsdOrders(ChartFault::None, std::string(png.begin(), png.end())), true; },
         "'1:2345' is not a valid floating point value", eurUsdFailed, false},
        {[&] { return fs::remove(gbpFlag) && fs::create_directory(gbpFlag) && (writeFile(gbpFlag / "a", "x"), true); },
         "", "folder: x 2+data 2+data", false},
        {[&] { return fs::create_directory(gbpData); }, "", "1 2+data 2+data", true},
        {[&] { return fs::create_symlink("/dev/full", gbpData), true; }, "", "1 2+data 2+data", true},
        // Links to a file elsewhere, as flag and as data file, are never
        // written through, and a missing target is not created.
        {[&] { return fs::remove(gbpFlag) && (writeFile(elsewhere, "theirs"), true) &&
                      (fs::create_symlink(fs::absolute(elsewhere), gbpFlag), true); },
         "", "theirs 2+data 2+data", true},
        {[&] { return writeFile(elsewhere, "theirs"), fs::create_symlink(fs::absolute(elsewhere), gbpData), true; },
         "", "1+other data 2+data 2+data", true},
        {[&] { return fs::create_symlink(fs::absolute(elsewhere), gbpData), true; }, "", "1 2+data 2+data", true},
        // The superuser ignores permission bits; the immutable attribute
        // keeps even it from adding a file to the folder.
        {[&] { return std::system(("chattr +i " + folder(0).string() + " 2>/dev/null").c_str()) == 0; }, "",
         "1 1 1", false},
        // The indicator withdraws its request while the charts are fetched.
        {[&] { return downloads_.onDownload = [&] { fs::remove(gbpFlag); }, true; }, "", "none 2+data 2+data",
         false},
    };
    for (const auto& [arrange, failure, states, leftAlone] : cases) {
        SCOPED_TRACE(failure + states);
        serveEurUsdOrders(ChartFault::None);
        downloads_.unreachable.clear();
        downloads_.onDownload = [] {};
        failures_.clear();
        refused_.clear();
        fs::remove(elsewhere);
        fs::remove_all(folder(0));
        fs::create_directories(folder(0));
        for (const auto& [i, code] : {std::pair(0, "GBPUSD"), std::pair(1, "GBPUSD"), std::pair(0, "AUDUSD")})
            request(i, code);
        request(0, "EURUSD", "request");
        if (!arrange())
            continue;
        onFailure_ = [&] {
            onFailure_ = nullptr;
            run();  // would report the pair again if it ran
        };
        run();
        std::system(("chattr -i " + folder(0).string() + " 2>/dev/null").c_str());
        EXPECT_EQ(state(0, "GBP/USD") + " " + state(0, "EUR/USD") + " " + state(0, "AUD/USD"), states);
        EXPECT_EQ(state(1, "GBP/USD"), "2+data");
        if (fs::exists(elsewhere)) {
            EXPECT_EQ(readFile(elsewhere), "theirs") << "written, or created, through a link";
        }
        const fs::path linked = states.starts_with("theirs") ? gbpFlag : gbpData;  // the flag, else the data file
        EXPECT_EQ(refused_, leftAlone ? std::vector<std::string>{linked.string()} : std::vector<std::string>{});
        ASSERT_EQ(failures_.size(), failure.empty() ? 0u : 1u);
        for (const std::string& shown : failures_)
            EXPECT_THAT(shown, ::testing::StartsWith("Ошибка при обновлении графиков для EURUSD\n" + failure));
    }
}

}  // namespace
}  // namespace tivka::test
