#include "shell/refresh_job.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "chart_server/chart_renderer.h"
#include "shell/settings.h"
#include "support/fake_chart_downloader.h"
#include "support/test_support.h"

namespace tivka {
namespace {

using ::testing::ElementsAre;

// Every event a refresh tells, in order.
class EventLog final : public RefreshObserver {
public:
    void progress(int done, int total) override { add("progress " + std::to_string(done) + "/" + std::to_string(total)); }
    void displayFetched(DisplayFetch fetch) override
    {
        add(fetch.cancelled ? "display cancelled" : fetch.charts ? "display charts" : "display failed");
    }
    void chartsToFetch(int count) override { add("to fetch " + std::to_string(count)); }
    void pairFailed(const std::string& message) override { add("failed " + message.substr(0, message.find('\n'))); }
    void pairRead(const std::string& code, const ChartReading&, const ChartReading&) override { add("read " + code); }

    std::vector<std::string> events;

private:
    void add(const std::string& event) { events.push_back(event); }
};

class RefreshJobTest : public ::testing::Test {
protected:
    RefreshJobTest()
    {
        std::filesystem::create_directories(dir / "experts" / "files" / "Tivka");
        test::writeFile(dir / "experts" / "files" / "Tivka" / "irEURUSD.dat", "0");
        request.display = {kDefaultChartUrl, "GBP/USD", false, false};
        request.indicators.chartUrl = kDefaultChartUrl;
        request.indicators.folders = {kIndicatorSubfolder, "elsewhere\\", "elsewhere\\"};
    }

    void run() { RunRefresh(request, digits, downloader, indicators, log); }
    std::string flag() const { return test::readFile(dir / "experts" / "files" / "Tivka" / "irEURUSD.dat"); }

    test::TempDir dir;
    test::ScopedCurrentDir inDir{dir.path()};
    DigitTemplate digits{charts::DigitTemplateBitmap()};
    test::FakeChartDownloader downloader;
    IndicatorServer indicators;
    RefreshRequest request;
    EventLog log;
};

// The display charts first, then the pairs the indicators asked for; the
// count the banner shows grows to cover them before they are fetched.
TEST_F(RefreshJobTest, DisplayChartsThenTheIndicatorPassWithProgress)
{
    run();
    EXPECT_THAT(log.events, ElementsAre("progress 0/4", "progress 1/4", "progress 2/4", "display charts",
                                        "progress 2/4", "to fetch 2", "progress 3/4", "progress 4/4", "read EURUSD"));
    EXPECT_EQ(flag(), "2");
    EXPECT_THAT(downloader.urls[2], ::testing::EndsWith("posentryprice_noncumulative_EUR_USD.png"));
}

// A failed display fetch still serves the indicators; a cancelled one
// serves nothing more.
TEST_F(RefreshJobTest, AFailedDisplayStillServesTheIndicatorsButACancelledOneStops)
{
    downloader.onDownload = [&](const std::string& url) { downloader.servePages = url.find("GBP_USD") != url.npos; };
    run();
    EXPECT_THAT(log.events, ::testing::Contains("display failed"));
    EXPECT_THAT(log.events, ::testing::Contains("read EURUSD"));

    log.events.clear();
    test::writeFile(dir / "experts" / "files" / "Tivka" / "irEURUSD.dat", "0");
    downloader.cancel();
    run();
    EXPECT_THAT(log.events, ElementsAre("progress 0/4", "progress 1/4", "progress 2/4", "display cancelled"));
    EXPECT_EQ(flag(), "0");
}

}  // namespace
}  // namespace tivka
