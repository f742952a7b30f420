#include "shell/refresh.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "chart_server/chart_renderer.h"
#include "shell/settings.h"
#include "support/fake_chart_downloader.h"
#include "support/test_support.h"

namespace tivka {
namespace {

using ::testing::ElementsAre;

// Every event a refresh tells, in order, in a word or two.
std::string describe(const RefreshEvent& event)
{
    return std::visit(EventHandlers{
                          [](const ChartsPlanned& e) { return "planned " + std::to_string(e.charts); },
                          [](const ChartFetched&) { return std::string("fetched"); },
                          [](const DisplayFetched& e) {
                              return std::string(e.fetched.cancelled ? "display cancelled"
                                                 : e.fetched.charts  ? "display charts"
                                                                     : "display failed");
                          },
                          [](const PairRead& e) { return "read " + e.pairText; },
                          [](const PairFailed& e) { return "failed " + e.pairText; },
                          [](const PassStarted&) { return std::string("pass"); },
                          [](const FileRefused& e) { return "refused " + e.refusal.subject(); },
                          [](const PassEnded& e) { return std::string(e.cancelled ? "cancelled" : "passed"); },
                          [](const IndicatorFolderMissing& e) { return "missing " + std::to_string(e.folder); },
                          [](const IndicatorFlagsIgnored& e) { return "ignored " + std::to_string(e.folder); },
                      },
                      event);
}

class RefreshTest : public ::testing::Test {
protected:
    RefreshTest()
    {
        std::filesystem::create_directories(dir / "experts" / "files" / "Tivka");
        test::writeFile(dir / "experts" / "files" / "Tivka" / "irEURUSD.dat", "0");
        request.display = {kDefaultChartUrl, "GBP/USD", {{false, false}}};
        request.indicators.chartUrl = kDefaultChartUrl;
        request.indicators.folders = {{{kIndicatorSubfolder}, {"elsewhere\\"}, {"elsewhere\\"}}};
    }

    void run()
    {
        RunRefresh(request, digits, downloader, indicators, [this](RefreshEvent event) {
            log.push_back(describe(event));
            const auto* display = std::get_if<DisplayFetched>(&event);
            if (!display || !display->fetched.charts)
                return;
            for (ChartKind kind : kChartKinds)  // the window shows the charts turned
                EXPECT_EQ((*display->views)[kind], turnQuarter((*display->fetched.charts)[kind]));
        });
    }
    std::string flag() const { return test::readFile(dir / "experts" / "files" / "Tivka" / "irEURUSD.dat"); }

    test::TempDir dir;
    test::ScopedCurrentDir inDir{dir.path()};
    DigitTemplate digits{charts::DigitTemplateBitmap()};
    test::FakeChartDownloader downloader;
    IndicatorPass indicators;
    RefreshRequest request;
    std::vector<std::string> log;
};

// The display charts first, then the pairs the indicators asked for; the
// count the banner shows grows to cover them before they are fetched.
TEST_F(RefreshTest, DisplayChartsThenTheIndicatorPassWithProgress)
{
    run();
    EXPECT_THAT(log, ElementsAre("planned 4", "fetched", "fetched", "display charts", "pass", "planned 2", "fetched",
                                 "fetched", "read EUR/USD", "passed"));
    EXPECT_EQ(flag(), "2");
    EXPECT_THAT(downloader.urls[2], ::testing::EndsWith("posentryprice_noncumulative_EUR_USD.png"));
}

// A failed display fetch still serves the indicators; a cancelled one
// serves nothing more.
TEST_F(RefreshTest, AFailedDisplayStillServesTheIndicatorsButACancelledOneStops)
{
    downloader.onDownload = [&](const std::string& url) { downloader.servePages = url.find("GBP_USD") != url.npos; };
    run();
    EXPECT_THAT(log, ::testing::Contains("display failed"));
    EXPECT_THAT(log, ::testing::Contains("read EUR/USD"));

    log.clear();
    test::writeFile(dir / "experts" / "files" / "Tivka" / "irEURUSD.dat", "0");
    downloader.cancel();
    run();
    EXPECT_THAT(log, ElementsAre("planned 4", "fetched", "fetched", "display cancelled"));
    EXPECT_EQ(flag(), "0");
}

}  // namespace
}  // namespace tivka
