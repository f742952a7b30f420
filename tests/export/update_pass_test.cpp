#include "export/update_pass.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>

#include "export/chart_service.h"
#include "platform/conversions.h"
#include "support/recorded_messages.h"
#include "support/test_support.h"

namespace tivka {
namespace {

namespace fs = std::filesystem;
using charts::ChartKind;
using test::readFile;
using test::writeFile;

// Real downloads, counted; chosen addresses fail as if the host could not
// be reached (false, no file).
class CountingDownloader final : public Downloader {
public:
    bool download(const std::string& url, const std::string& fileName) override
    {
        ++singleDownloads;
        urls.push_back(url);
        return failing(url) ? false : curl.download(url, fileName);
    }
    std::vector<bool> downloadAll(const std::vector<DownloadJob>& jobs) override
    {
        ++batches;
        std::vector<DownloadJob> reachable;
        for (const DownloadJob& job : jobs) {
            urls.push_back(job.url);
            if (!failing(job.url))
                reachable.push_back(job);
        }
        const std::vector<bool> fetched = curl.downloadAll(reachable);
        std::vector<bool> results;
        std::size_t next = 0;
        for (const DownloadJob& job : jobs)
            results.push_back(failing(job.url) ? false : bool(fetched.at(next++)));
        return results;
    }
    bool failing(const std::string& url) const
    {
        return !failPart.empty() && url.find(failPart) != std::string::npos;
    }

    CurlDownloader curl;
    std::string failPart;
    int singleDownloads = 0;
    int batches = 0;
    std::vector<std::string> urls;
};

// The order in which files were closed after writing, across folders,
// as "folder/name"; no clock involved. Opens are watched too, only so that
// two writes of the same file in a row are not merged into one event.
class WriteLog {
public:
    WriteLog() : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (fd_ < 0)
            throw std::runtime_error("inotify is not available");
    }
    ~WriteLog() { ::close(fd_); }
    void watch(const fs::path& folder, const std::string& label)
    {
        labels_[inotify_add_watch(fd_, folder.c_str(), IN_OPEN | IN_CLOSE_WRITE)] = label;
    }
    std::vector<std::string> events()
    {
        std::vector<std::string> out;
        alignas(inotify_event) char buffer[65536];
        for (ssize_t n; (n = ::read(fd_, buffer, sizeof buffer)) > 0;)
            for (char* p = buffer; p < buffer + n;) {
                auto* event = reinterpret_cast<inotify_event*>(p);
                if (event->mask & IN_CLOSE_WRITE)
                    out.push_back(labels_[event->wd] + "/" + (event->len ? event->name : ""));
                p += sizeof(inotify_event) + event->len;
            }
        return out;
    }

private:
    int fd_;
    std::map<int, std::string> labels_;
};

class UpdatePassTest : public ::testing::TestWithParam<bool> {
protected:
    UpdatePassTest() : cwd_(temp_.path()), digits_(charts::DigitTemplateBitmap())
    {
        config_.chartUrl = service_.chartUrl();
        config_.overlapped = GetParam();
        for (int i = 0; i < 3; ++i) {
            const std::string name = "mt4_" + std::to_string(i + 1);
            config_.mt4Dirs[std::size_t(i)] = name + "\\experts\\files\\Tivka\\";
            fs::create_directories(folder(i));
        }
    }

    fs::path folder(int i) const
    {
        return temp_.path() / ("mt4_" + std::to_string(i + 1)) / "experts" / "files" / "Tivka";
    }
    void request(int i, const std::string& code, const std::string& content = "0")
    {
        writeFile(folder(i) / ("ir" + code + ".dat"), content);
    }
    void run() { SaveData(config_, digits_, state_, downloader_, messages_); }

    std::string expected(const std::string& pairText)
    {
        return test::ExpectedDataText(service_.model(pairText, ChartKind::Orders, config_.ordersCumulative),
                                      service_.model(pairText, ChartKind::Positions, config_.positionsCumulative));
    }
    std::vector<std::string> filesIn(const fs::path& dir) const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempDir temp_;
    test::ScopedCurrentDir cwd_;
    test::ChartService service_;
    DigitTemplate digits_;
    UpdatePassConfig config_;
    IndicatorState state_;
    CountingDownloader downloader_;
    test::RecordedMessages messages_;
};

INSTANTIATE_TEST_SUITE_P(Fetching, UpdatePassTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Overlapped" : "Sequential"; });

TEST_P(UpdatePassTest, NoRequestFetchesAndWritesNothing)
{
    run();
    EXPECT_TRUE(downloader_.urls.empty());
    EXPECT_TRUE(service_.requests().empty());
    EXPECT_TRUE(messages_.shown.empty());
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(filesIn(folder(i)).empty());
    EXPECT_EQ(filesIn(temp_.path()), (std::vector<std::string>{"mt4_1", "mt4_2", "mt4_3"}));
}

TEST_P(UpdatePassTest, ServesARequestOnlyInTheFolderThatAsked)
{
    request(1, "EURUSD");
    run();
    EXPECT_EQ(service_.requests().size(), 2u);
    const std::vector<std::string> urls = {config_.chartUrl + "posentryprice_noncumulative_EUR_USD.png",
                                           config_.chartUrl + "orders_noncumulative_EUR_USD.png"};
    EXPECT_EQ(downloader_.urls, urls) << "positions chart first";
    EXPECT_EQ(readFile(folder(1) / "irEURUSD.dat"), "2");
    EXPECT_EQ(readFile(folder(1) / "EURUSD.csv"), expected("EUR/USD"));
    EXPECT_TRUE(filesIn(folder(0)).empty());
    EXPECT_TRUE(filesIn(folder(2)).empty());
    EXPECT_FALSE(fs::exists("MTpEURUSD.png"));
    EXPECT_FALSE(fs::exists("MToEURUSD.png"));
    EXPECT_TRUE(messages_.shown.empty());
    EXPECT_TRUE(state_.Mt4ImagesLoaded);
}

TEST_P(UpdatePassTest, FetchesOncePerPairAndServesTheFoldersInOrder)
{
    config_.ordersCumulative = true;
    for (int i = 0; i < 3; ++i)
        request(i, "GBPUSD");
    WriteLog log;
    for (int i = 0; i < 3; ++i)
        log.watch(folder(i), std::to_string(i + 1));
    run();
    EXPECT_EQ(service_.requests().size(), 2u);
    EXPECT_EQ(log.events(), (std::vector<std::string>{"1/irGBPUSD.dat", "1/GBPUSD.csv", "1/irGBPUSD.dat",
                                                      "2/irGBPUSD.dat", "2/GBPUSD.csv", "2/irGBPUSD.dat",
                                                      "3/irGBPUSD.dat", "3/GBPUSD.csv", "3/irGBPUSD.dat"}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(readFile(folder(i) / "irGBPUSD.dat"), "2");
        EXPECT_EQ(readFile(folder(i) / "GBPUSD.csv"), expected("GBP/USD")) << "folder " << i + 1;
    }
}

TEST_P(UpdatePassTest, AFolderNamedTwiceIsWrittenTwice)
{
    config_.mt4Dirs[2] = config_.mt4Dirs[0];
    request(0, "EURGBP");
    WriteLog log;
    log.watch(folder(0), "1");
    run();
    EXPECT_EQ(log.events(), (std::vector<std::string>{"1/irEURGBP.dat", "1/EURGBP.csv", "1/irEURGBP.dat",
                                                      "1/irEURGBP.dat", "1/EURGBP.csv", "1/irEURGBP.dat"}));
    EXPECT_EQ(readFile(folder(0) / "EURGBP.csv"), expected("EUR/GBP"));
    EXPECT_TRUE(filesIn(folder(2)).empty());
}

TEST_P(UpdatePassTest, ServesPairsInListOrderWithTheirOwnDecimals)
{
    request(0, "USDJPY");
    request(0, "GBPUSD");
    WriteLog log;
    log.watch(folder(0), "1");
    run();
    const std::vector<std::string> events = log.events();
    const auto gbp = std::find(events.begin(), events.end(), "1/GBPUSD.csv");
    const auto jpy = std::find(events.begin(), events.end(), "1/USDJPY.csv");
    ASSERT_NE(gbp, events.end());
    ASSERT_NE(jpy, events.end());
    EXPECT_LT(gbp, jpy);
    const std::string jpyText = readFile(folder(0) / "USDJPY.csv");
    EXPECT_EQ(jpyText, expected("USD/JPY"));
    EXPECT_EQ(readFile(folder(0) / "GBPUSD.csv"), expected("GBP/USD"));
    // 2 decimals: the price line has exactly two digits after the point.
    const std::string priceLine = jpyText.substr(jpyText.find("\r\n") + 2, jpyText.find("\r\nOrders") -
                                                                               jpyText.find("\r\n") - 2);
    EXPECT_EQ(priceLine.size() - priceLine.find('.'), 3u) << priceLine;
    EXPECT_EQ(state_.Mt4Digits, 2) << "the last pair served was USD/JPY";
}

TEST_P(UpdatePassTest, AFailedDownloadShowsTheMessageAndTheOtherPairsGoOn)
{
    request(0, "GBPUSD", "request");
    request(0, "AUDUSD");
    downloader_.failPart = "posentryprice_noncumulative_GBP_USD";
    run();
    EXPECT_EQ(messages_.shown, std::vector<std::string>{"Ошибка при обновлении графиков для GBPUSD"});
    EXPECT_TRUE(fs::exists("MToGBPUSD.png")) << "the chart that did arrive stays";
    EXPECT_FALSE(fs::exists("MTpGBPUSD.png"));
    EXPECT_EQ(readFile(folder(0) / "irGBPUSD.dat"), "request");
    EXPECT_FALSE(fs::exists(folder(0) / "GBPUSD.csv"));
    EXPECT_EQ(readFile(folder(0) / "irAUDUSD.dat"), "2");
    EXPECT_EQ(readFile(folder(0) / "AUDUSD.csv"), expected("AUD/USD"));
}

TEST_P(UpdatePassTest, AnEmptyPathSettingServesTheFolderBelowTheCurrentOne)
{
    config_.mt4Dirs = {"experts\\files\\Tivka\\", "", ""};
    config_.mt4Dirs[1] = config_.mt4Dirs[2] = "elsewhere\\";
    fs::create_directories("experts/files/Tivka");
    writeFile(temp_.path() / "experts/files/Tivka/irAUDUSD.dat", "");
    charts::ChartModel noTime = service_.model("AUD/USD", ChartKind::Orders, false);
    noTime.timeText = "";
    service_.setModel("AUD/USD", ChartKind::Orders, false, noTime);
    run();
    const std::string text = readFile(temp_.path() / "experts/files/Tivka/AUDUSD.csv");
    EXPECT_EQ(text, expected("AUD/USD"));
    EXPECT_EQ(text.substr(0, 2), "\r\n") << "an empty time gives an empty first line";
    EXPECT_EQ(readFile(temp_.path() / "experts/files/Tivka/irAUDUSD.dat"), "2");
}

TEST_P(UpdatePassTest, ADataFileThatCannotBeWrittenKeepsItsFlagAtOne)
{
    request(0, "GBPUSD");
    request(1, "GBPUSD");
    request(0, "EURUSD");
    fs::create_directory(folder(0) / "GBPUSD.csv");
    run();
    EXPECT_EQ(readFile(folder(0) / "irGBPUSD.dat"), "1");
    EXPECT_EQ(readFile(folder(1) / "irGBPUSD.dat"), "2");
    EXPECT_EQ(readFile(folder(1) / "GBPUSD.csv"), expected("GBP/USD"));
    EXPECT_EQ(readFile(folder(0) / "irEURUSD.dat"), "2");
    EXPECT_EQ(readFile(folder(0) / "EURUSD.csv"), expected("EUR/USD"));
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_P(UpdatePassTest, CommaSeparatorStillWritesPoints)
{
    config_.decimalSymbol = ",";
    config_.systemSeparator = ",";
    request(2, "USDCHF");
    run();
    const std::string text = readFile(folder(2) / "USDCHF.csv");
    EXPECT_EQ(text, expected("USD/CHF"));
    EXPECT_EQ(text.find(','), std::string::npos);
}

TEST_P(UpdatePassTest, APassStartedInsideARunningPassDoesNothing)
{
    request(0, "GBPUSD");
    request(0, "EURUSD");
    downloader_.failPart = "GBP_USD";
    std::size_t urlsBeforeNested = 0;
    std::size_t urlsAfterNested = 0;
    messages_.onShow = [&](const std::string&) {
        urlsBeforeNested = downloader_.urls.size();
        run();  // a timer tick while the message box is open
        urlsAfterNested = downloader_.urls.size();
    };
    run();
    EXPECT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(urlsAfterNested, urlsBeforeNested);
    EXPECT_EQ(readFile(folder(0) / "irEURUSD.dat"), "2");
    EXPECT_FALSE(state_.passRunning);

    messages_.onShow = nullptr;
    run();  // the next pass after it runs normally
    EXPECT_EQ(messages_.shown.size(), 2u);
}

TEST_P(UpdatePassTest, APictureThatIsNotAPngEndsThePass)
{
    request(0, "GBPUSD");
    request(0, "EURUSD", "request");
    request(0, "AUDUSD", "request");
    service_.setBody("EUR/USD", ChartKind::Orders, false, "<html><body>Server busy</body></html>");
    EXPECT_THROW(run(), std::runtime_error);
    EXPECT_FALSE(state_.passRunning);
    EXPECT_EQ(readFile(folder(0) / "irGBPUSD.dat"), "2");
    EXPECT_EQ(readFile(folder(0) / "irEURUSD.dat"), "request");
    EXPECT_EQ(readFile(folder(0) / "irAUDUSD.dat"), "request");
    EXPECT_FALSE(fs::exists(folder(0) / "AUDUSD.csv"));
    EXPECT_TRUE(fs::exists("MToEURUSD.png"));
    EXPECT_TRUE(fs::exists("MTpEURUSD.png"));
    // Fetching ahead leaves the later pair's charts behind; one by one never fetched them.
    EXPECT_EQ(fs::exists("MToAUDUSD.png"), GetParam());
}

TEST_P(UpdatePassTest, AnUnreadablePriceEndsThePassBeforeThePairIsTouched)
{
    request(0, "EURJPY", "request");
    charts::ChartModel noPrice = service_.model("EUR/JPY", ChartKind::Positions, false);
    noPrice.priceText = "";
    service_.setModel("EUR/JPY", ChartKind::Positions, false, noPrice);
    EXPECT_THROW(run(), ConversionError);
    EXPECT_EQ(readFile(folder(0) / "irEURJPY.dat"), "request");
    EXPECT_FALSE(fs::exists(folder(0) / "EURJPY.csv"));
}

TEST(UpdatePassFetching, OverlappedFetchesEveryRequestedChartInOneBatch)
{
    test::TempDir temp;
    test::ScopedCurrentDir cwd(temp.path());
    test::ChartService service;
    UpdatePassConfig config;
    config.chartUrl = service.chartUrl();
    config.mt4Dirs = {"a\\", "b\\", "c\\"};
    config.positionsCumulative = true;
    for (const char* folder : {"a", "b", "c"})
        fs::create_directory(folder);
    writeFile(temp.path() / "c" / "irGBPJPY.dat", "");
    writeFile(temp.path() / "a" / "irUSDCAD.dat", "");
    writeFile(temp.path() / "b" / "irUSDCAD.dat", "");
    IndicatorState state;
    CountingDownloader downloader;
    test::RecordedMessages messages;
    SaveData(config, DigitTemplate(charts::DigitTemplateBitmap()), state, downloader, messages);
    EXPECT_EQ(downloader.batches, 1);
    EXPECT_EQ(downloader.singleDownloads, 0);
    const std::string& url = config.chartUrl;
    EXPECT_EQ(downloader.urls, (std::vector<std::string>{url + "posentryprice_USD_CAD.png",
                                                         url + "orders_noncumulative_USD_CAD.png",
                                                         url + "posentryprice_GBP_JPY.png",
                                                         url + "orders_noncumulative_GBP_JPY.png"}));
    EXPECT_EQ(readFile(temp.path() / "c" / "irGBPJPY.dat"), "2");
    EXPECT_EQ(readFile(temp.path() / "a" / "USDCAD.csv"), readFile(temp.path() / "b" / "USDCAD.csv"));
}

// Both ways of fetching leave exactly the same files and messages.
TEST(UpdatePassFetching, OverlappedAndSequentialPassesAgree)
{
    auto runOnce = [](bool overlapped) {
        test::TempDir temp;
        test::ScopedCurrentDir cwd(temp.path());
        test::ChartService service;
        UpdatePassConfig config;
        config.chartUrl = service.chartUrl();
        config.overlapped = overlapped;
        config.mt4Dirs = {"a\\", "b\\", "a\\"};
        fs::create_directories("a");
        fs::create_directories("b");
        for (const char* code : {"GBPUSD", "USDJPY", "EURCHF", "GBPJPY"})
            writeFile(temp.path() / "a" / ("ir" + std::string(code) + ".dat"), "x");
        for (const char* code : {"EURUSD", "USDJPY", "AUDUSD"})
            writeFile(temp.path() / "b" / ("ir" + std::string(code) + ".dat"), "x");
        IndicatorState state;
        CountingDownloader downloader;
        downloader.failPart = "orders_noncumulative_EUR_CHF";
        test::RecordedMessages messages;
        SaveData(config, DigitTemplate(charts::DigitTemplateBitmap()), state, downloader, messages);
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(temp.path()))
            if (entry.is_regular_file())
                files[fs::relative(entry.path(), temp.path()).string()] = readFile(entry.path());
        return std::make_pair(files, messages.shown);
    };
    const auto overlapped = runOnce(true);
    const auto sequential = runOnce(false);
    EXPECT_EQ(overlapped.second, std::vector<std::string>{"Ошибка при обновлении графиков для EURCHF"});
    EXPECT_EQ(overlapped.second, sequential.second);
    EXPECT_EQ(overlapped.first.size(), 14u);  // 7 flags, 6 data files, the EUR/CHF positions chart
    EXPECT_EQ(overlapped.first, sequential.first);
}

}  // namespace
}  // namespace tivka
