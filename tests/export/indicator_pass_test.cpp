#include <gmock/gmock.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <map>
#include <stdexcept>

#include "platform/conversions.h"
#include "indicator_pass_fixture.h"

namespace tivka::test {
namespace {

namespace fs = std::filesystem;
using charts::ChartKind;
using ::testing::ElementsAre;

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

INSTANTIATE_TEST_SUITE_P(Fetching, IndicatorPassTest, ::testing::Bool(), FetchingName);

TEST_P(IndicatorPassTest, NoRequestFetchesAndWritesNothing)
{
    run();
    EXPECT_TRUE(downloader_.urls.empty());
    EXPECT_TRUE(service_.requests().empty());
    EXPECT_TRUE(observer_.shown.empty());
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(filesIn(folder(i)).empty());
    EXPECT_EQ(filesIn(temp_.path()), (std::vector<std::string>{"mt4_1", "mt4_2", "mt4_3"}));
}

TEST_P(IndicatorPassTest, ServesARequestOnlyInTheFolderThatAsked)
{
    request(1, "EURUSD");
    run();
    EXPECT_EQ(service_.requests().size(), 2u);
    EXPECT_THAT(downloader_.urls, ElementsAre(config_.chartUrl + "posentryprice_noncumulative_EUR_USD.png",
                                              config_.chartUrl + "orders_noncumulative_EUR_USD.png"));
    // Overlapped: every chart in one batch, never one by one.
    EXPECT_EQ(downloader_.batches, GetParam() ? 1 : 0);
    EXPECT_EQ(downloader_.singleDownloads, GetParam() ? 0 : 2);
    EXPECT_EQ(readFile(folder(1) / "irEURUSD.dat"), "2");
    EXPECT_EQ(readFile(folder(1) / "EURUSD.csv"), expected("EUR/USD"));
    EXPECT_TRUE(filesIn(folder(0)).empty());
    EXPECT_TRUE(filesIn(folder(2)).empty());
    EXPECT_EQ(filesIn(temp_.path()), (std::vector<std::string>{"mt4_1", "mt4_2", "mt4_3"})) << "charts left behind";
    EXPECT_TRUE(observer_.shown.empty());
}

TEST_P(IndicatorPassTest, FetchesOncePerPairAndServesTheFoldersInOrder)
{
    config_.ordersCumulative = true;
    WriteLog log;
    for (int i = 0; i < 3; ++i) {
        request(i, "GBPUSD");
        log.watch(folder(i), std::to_string(i + 1));
    }
    run();
    EXPECT_EQ(service_.requests().size(), 2u);
    EXPECT_THAT(log.events(), ElementsAre("1/irGBPUSD.dat", "1/GBPUSD.csv", "1/irGBPUSD.dat", "2/irGBPUSD.dat",
                                          "2/GBPUSD.csv", "2/irGBPUSD.dat", "3/irGBPUSD.dat", "3/GBPUSD.csv",
                                          "3/irGBPUSD.dat"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(readFile(folder(i) / "irGBPUSD.dat"), "2");
        EXPECT_EQ(readFile(folder(i) / "GBPUSD.csv"), expected("GBP/USD")) << "folder " << i + 1;
    }
}

TEST_P(IndicatorPassTest, AFolderNamedTwiceIsWrittenTwice)
{
    config_.folders[2] = config_.folders[0];
    request(0, "EURGBP");
    WriteLog log;
    log.watch(folder(0), "1");
    run();
    EXPECT_THAT(log.events(), ElementsAre("1/irEURGBP.dat", "1/EURGBP.csv", "1/irEURGBP.dat", "1/irEURGBP.dat",
                                          "1/EURGBP.csv", "1/irEURGBP.dat"));
    EXPECT_EQ(readFile(folder(0) / "EURGBP.csv"), expected("EUR/GBP"));
    EXPECT_TRUE(filesIn(folder(2)).empty());
}

TEST_P(IndicatorPassTest, ServesPairsInListOrderWithTheirOwnDecimals)
{
    config_.positionsCumulative = true;
    request(0, "USDJPY");
    request(0, "GBPUSD");
    WriteLog log;
    log.watch(folder(0), "1");
    run();
    EXPECT_THAT(log.events(), ElementsAre("1/irGBPUSD.dat", "1/GBPUSD.csv", "1/irGBPUSD.dat", "1/irUSDJPY.dat",
                                          "1/USDJPY.csv", "1/irUSDJPY.dat"));
    const std::string& url = config_.chartUrl;
    EXPECT_THAT(downloader_.urls, ElementsAre(url + "posentryprice_GBP_USD.png", url + "orders_noncumulative_GBP_USD.png",
                                              url + "posentryprice_USD_JPY.png", url + "orders_noncumulative_USD_JPY.png"));
    const std::string jpy = readFile(folder(0) / "USDJPY.csv");
    EXPECT_EQ(jpy, expected("USD/JPY"));
    EXPECT_EQ(readFile(folder(0) / "GBPUSD.csv"), expected("GBP/USD"));
    const std::string priceLine = jpy.substr(0, jpy.find("\r\nOrders"));
    EXPECT_EQ(priceLine.size() - priceLine.find('.'), 3u) << "two decimals: " << priceLine;
}

TEST_P(IndicatorPassTest, AFailedDownloadShowsTheMessageAndTheOtherPairsGoOn)
{
    request(0, "GBPUSD", "request");
    request(0, "AUDUSD");
    downloader_.failPart = "posentryprice_noncumulative_GBP_USD";
    run();
    EXPECT_THAT(observer_.shown,
                ElementsAre("Ошибка при обновлении графиков для GBPUSD\nСервер недоступен: " + config_.chartUrl +
                            "posentryprice_noncumulative_GBP_USD.png (Couldn't connect to server)"));
    EXPECT_TRUE(fs::exists("MToGBPUSD.png")) << "the chart that did arrive stays";
    EXPECT_FALSE(fs::exists("MTpGBPUSD.png"));
    EXPECT_EQ(readFile(folder(0) / "irGBPUSD.dat"), "request");
    EXPECT_FALSE(fs::exists(folder(0) / "GBPUSD.csv"));
    EXPECT_EQ(readFile(folder(0) / "irAUDUSD.dat"), "2");
    EXPECT_EQ(readFile(folder(0) / "AUDUSD.csv"), expected("AUD/USD"));
}

TEST_P(IndicatorPassTest, AnEmptyPathSettingServesTheFolderBelowTheCurrentOne)
{
    config_.folders = {"experts\\files\\Tivka\\", "elsewhere\\", "elsewhere\\"};
    fs::create_directories("experts/files/Tivka");
    writeFile("experts/files/Tivka/irAUDUSD.dat", "");
    charts::ChartModel noTime = service_.model("AUD/USD", ChartKind::Orders, false);
    noTime.timeText = "";
    service_.setModel("AUD/USD", ChartKind::Orders, false, noTime);
    run();
    const std::string text = readFile("experts/files/Tivka/AUDUSD.csv");
    EXPECT_EQ(text, expected("AUD/USD"));
    EXPECT_EQ(text.substr(0, 2), "\r\n") << "an empty time gives an empty first line";
    EXPECT_EQ(readFile("experts/files/Tivka/irAUDUSD.dat"), "2");
}

TEST_P(IndicatorPassTest, ADataFileThatCannotBeWrittenKeepsItsFlagAtOne)
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
    EXPECT_TRUE(observer_.shown.empty());
}

TEST_P(IndicatorPassTest, CommaSeparatorStillWritesPoints)
{
    config_.reading = {",", ","};
    request(2, "USDCHF");
    run();
    const std::string text = readFile(folder(2) / "USDCHF.csv");
    EXPECT_EQ(text, expected("USD/CHF"));
    EXPECT_EQ(text.find(','), std::string::npos);
}

TEST_P(IndicatorPassTest, APassStartedInsideARunningPassDoesNothing)
{
    request(0, "GBPUSD");
    request(0, "EURUSD");
    downloader_.failPart = "GBP_USD";
    std::size_t urlsBeforeNested = 0, urlsAfterNested = 0;
    observer_.onFailure = [&](const std::string&) {
        urlsBeforeNested = downloader_.urls.size();
        run();  // a timer tick while the message box is open
        urlsAfterNested = downloader_.urls.size();
    };
    run();
    EXPECT_EQ(observer_.shown.size(), 1u);
    EXPECT_EQ(urlsAfterNested, urlsBeforeNested);
    EXPECT_EQ(readFile(folder(0) / "irEURUSD.dat"), "2");
    EXPECT_FALSE(server_.running());

    observer_.onFailure = nullptr;
    run();  // the next pass after it runs normally
    EXPECT_EQ(observer_.shown.size(), 2u);
}

// A pair whose charts cannot be had or read is skipped, untouched, with one
// message naming the pair and what went wrong; every other pair is served.
TEST_P(IndicatorPassTest, APairThatFailsIsSkippedAndTheOthersAreServed)
{
    const std::string eurusdOrders = config_.chartUrl + "orders_noncumulative_EUR_USD.png";
    charts::ChartModel noPrice = service_.model("EUR/USD", ChartKind::Positions, false);
    noPrice.priceText = "";
    const struct {
        const char* name;
        std::function<void()> fault;
        std::string detail;  // the message's second line, or a part of it
    } cases[] = {
        {"error page", [&] { service_.setBody("EUR/USD", ChartKind::Orders, false, "<html><body>Server busy</body></html>"); },
         "MToEURUSD.png from " + eurusdOrders + ": not a PNG image (starts with '<html><body>Serv')"},
        {"vanished pair", [&] { service_.setFault("EUR/USD", ChartKind::Orders, false, charts::ChartFault::NotFound); },
         "Сервер ответил 404 Not Found: " + eurusdOrders},
        {"price not a number", [&] { service_.setModel("EUR/USD", ChartKind::Positions, false, noPrice); },
         "'' is not a valid floating point value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service_.reset();
        observer_.shown.clear();
        request(0, "GBPUSD");
        request(0, "EURUSD", "request");
        request(0, "AUDUSD", "request");
        fs::remove(folder(0) / "GBPUSD.csv");
        fs::remove(folder(0) / "AUDUSD.csv");
        c.fault();
        run();
        ASSERT_EQ(observer_.shown.size(), 1u);
        EXPECT_THAT(observer_.shown[0], ::testing::StartsWith("Ошибка при обновлении графиков для EURUSD\n"));
        EXPECT_THAT(observer_.shown[0], ::testing::HasSubstr(c.detail));
        EXPECT_FALSE(server_.running());
        EXPECT_EQ(readFile(folder(0) / "irEURUSD.dat"), "request");
        EXPECT_FALSE(fs::exists(folder(0) / "EURUSD.csv"));
        for (const char* code : {"GBPUSD", "AUDUSD"}) {
            EXPECT_EQ(readFile(folder(0) / ("ir" + std::string(code) + ".dat")), "2") << code;
            EXPECT_TRUE(fs::exists(folder(0) / (std::string(code) + ".csv"))) << code;
        }
    }
}

// A flag the indicator deletes while the pass runs is a withdrawn request:
// it is not created again and no data file is written for it.
TEST_P(IndicatorPassTest, AWithdrawnFlagIsNeverCreatedAgain)
{
    request(0, "GBPUSD");
    request(1, "GBPUSD");
    service_.onRequest = [&](const std::string& path) {
        if (path.find("GBP_USD") != std::string::npos)
            fs::remove(folder(0) / "irGBPUSD.dat");
    };
    run();
    EXPECT_FALSE(fs::exists(folder(0) / "irGBPUSD.dat"));
    EXPECT_FALSE(fs::exists(folder(0) / "GBPUSD.csv"));
    EXPECT_EQ(readFile(folder(1) / "irGBPUSD.dat"), "2");
    EXPECT_EQ(readFile(folder(1) / "GBPUSD.csv"), expected("GBP/USD"));
}

}  // namespace
}  // namespace tivka::test
