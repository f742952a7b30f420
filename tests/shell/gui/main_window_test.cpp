#include <QTimer>
#include <filesystem>

#include "scheduling/gui/auto_refresh.h"
#include "shell/gui/chart_canvas.h"
#include "window_fixture.h"

namespace tivka::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

const char* const kLoadFailed = "Ошибка при загрузке графиков!";

bool hasChartFiles(const fs::path& folder)
{
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".png")
            return true;
    return false;
}

TEST_F(WindowTest, StartUpRefreshesOnceBeforeTheWindowIsShown)
{
    writeTemplate();
    bool shownDuringRefresh = true;
    downloader.onDownload = [&](const std::string&) { shownDuringRefresh = window->isVisible(); };
    MainWindow& form = startWindow();

    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
    ASSERT_EQ(downloader.urls.size(), 2u);
    EXPECT_THAT(downloader.urls[0], HasSubstr("posentryprice_noncumulative_GBP_USD.png"));
    EXPECT_THAT(downloader.urls[1], HasSubstr("orders_noncumulative_GBP_USD.png"));
    EXPECT_FALSE(shownDuringRefresh);
    EXPECT_TRUE(form.state().chartsLoaded());
    EXPECT_FALSE(ordersPane()->toPlainText().isEmpty());
    EXPECT_FALSE(positionsPane()->toPlainText().isEmpty());
    EXPECT_TRUE(calculateButton()->isEnabled());
    EXPECT_FALSE(refreshBanner()->isVisible());
    EXPECT_FALSE(action("autoRefreshAction")->isChecked());
    EXPECT_FALSE(form.autoRefresh().periodicEnabled());
    EXPECT_FALSE(form.autoRefresh().hourlyEnabled());
    EXPECT_TRUE(form.trayHooksInstalled());
    EXPECT_FALSE(hasChartFiles(dir.path()));
    // Both charts are on the picture: their white backgrounds replaced parts
    // of the blank canvas with chart ink.
    const QImage& canvas = chartCanvas()->canvas();
    EXPECT_NE(canvas.copy(0, 0, 256, 532), QImage(256, 532, canvas.format()));
}

TEST_F(WindowTest, StartUpArmsTheTimersTheSettingsAskFor)
{
    writeTemplate();
    writeFile(settingsPath(), "[Setting]\nTime1=15\nTimerEn1=1\nTime2=40\nTimerEn2=0\n");
    MainWindow& form = startWindow();
    EXPECT_TRUE(form.autoRefresh().periodicEnabled());
    EXPECT_EQ(timer("periodicTimer")->interval(), 15 * 60 * 1000);
    EXPECT_FALSE(form.autoRefresh().hourlyEnabled());
    EXPECT_TRUE(action("autoRefreshAction")->isChecked());
}

TEST_F(WindowTest, MissingTemplateIsReportedAndTheWindowStillOpens)
{
    writeFile(settingsPath(), "[Setting]\nTime1=15\nTimerEn1=1\n");
    MainWindow& form = startWindow();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_THAT(messages.shown[0], HasSubstr("ndata.bmp"));
    EXPECT_TRUE(downloader.urls.empty());
    EXPECT_FALSE(calculateButton()->isEnabled());
    EXPECT_FALSE(form.trayHooksInstalled());
    EXPECT_FALSE(form.autoRefresh().periodicEnabled());
    EXPECT_FALSE(action("autoRefreshAction")->isChecked());
    form.show();
    EXPECT_TRUE(form.isVisible());
}

TEST_F(WindowTest, UnreachableServerLeavesEmptyPanesAndCalculateDoesNothing)
{
    writeTemplate();
    downloader.reachable = false;
    MainWindow& form = startWindow();
    EXPECT_THAT(messages.shown, ElementsAre(kLoadFailed));
    EXPECT_EQ(downloader.urls.size(), 2u);  // both fetches tried, one message
    EXPECT_TRUE(ordersPane()->toPlainText().isEmpty());
    EXPECT_TRUE(positionsPane()->toPlainText().isEmpty());
    EXPECT_TRUE(calculateButton()->isEnabled());
    EXPECT_FALSE(form.state().chartsLoaded());

    calculateButton()->click();
    EXPECT_TRUE(ordersPane()->toPlainText().isEmpty());
    EXPECT_EQ(downloader.urls.size(), 2u);
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(WindowTest, AnErrorInTheFirstRefreshEndsStartUpWithTimersOff)
{
    writeTemplate();
    writeFile(settingsPath(), "[Setting]\nTime2=40\nTimerEn2=1\n");
    downloader.servePages = true;
    MainWindow& form = startWindow();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0], kLoadFailed);  // the decoder's own message
    EXPECT_FALSE(form.state().chartsLoaded());
    EXPECT_FALSE(form.autoRefresh().hourlyEnabled());
    EXPECT_FALSE(action("autoRefreshAction")->isChecked());
}

TEST_F(WindowTest, ClosingWritesExactlyTheFiveKeysEvenWithoutADownload)
{
    writeTemplate();
    downloader.reachable = false;
    MainWindow& form = startWindow();
    form.show();
    form.close();
    EXPECT_TRUE(form.isShutDown());
    EXPECT_THAT(settingsLines(), ElementsAre("Time1=0", "Time2=33", "TimerEn1=0", "TimerEn2=0",
                                             std::string("TIVKA_URL=") + kDefaultChartUrl));
    EXPECT_FALSE(form.state().chartsLoaded());
}

TEST_F(WindowTest, UnwritableSettingsFileIsReported)
{
    settingsFile = (dir / "missing-folder" / "tivka.INI").string();
    MainWindow& form = startWindow();
    messages.shown.clear();
    form.close();
    EXPECT_THAT(messages.shown, ElementsAre(::testing::StartsWith("Unable to write to " + settingsFile + ": ")));
    EXPECT_TRUE(form.isShutDown());
}

TEST_F(WindowTest, CalculateAppliesANewFilterWithoutFetching)
{
    writeTemplate();
    MainWindow& form = startWindow();
    const QString before = ordersPane()->toPlainText();
    const QString positionsBefore = positionsPane()->toPlainText();
    ordersFilter()->setText("70");
    calculateButton()->click();
    EXPECT_EQ(downloader.urls.size(), 2u);
    EXPECT_TRUE(form.state().chartsLoaded());
    EXPECT_LT(ordersPane()->toPlainText().split('\n').size(), before.split('\n').size());
    EXPECT_EQ(positionsPane()->toPlainText(), positionsBefore);

    ordersFilter()->setText("50");
    calculateButton()->click();
    EXPECT_EQ(ordersPane()->toPlainText(), before);
}

TEST_F(WindowTest, ANewPairTakesEffectOnlyAtTheNextRefresh)
{
    writeTemplate();
    MainWindow& form = startWindow();
    const QString orders = ordersPane()->toPlainText();
    pairBox()->setCurrentText("USD/JPY");
    settle();
    EXPECT_EQ(ordersPane()->toPlainText(), orders);
    EXPECT_EQ(downloader.urls.size(), 2u);
    EXPECT_EQ(form.state().orders.decimals, 4);

    refreshButton()->click();
    ASSERT_EQ(downloader.urls.size(), 4u);
    EXPECT_THAT(downloader.urls[3], HasSubstr("orders_noncumulative_USD_JPY.png"));
    EXPECT_EQ(form.state().orders.decimals, 2);
}

TEST_F(WindowTest, TheBannerStaysUpOnlyAfterAFailedRefresh)
{
    writeTemplate();
    MainWindow& form = startWindow();
    form.show();
    const QString orders = ordersPane()->toPlainText();
    std::vector<bool> bannerShown;
    downloader.onDownload = [&](const std::string&) { bannerShown.push_back(refreshBanner()->isVisible()); };
    downloader.servePages = true;
    refreshButton()->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_FALSE(form.state().chartsLoaded());
    EXPECT_TRUE(refreshBanner()->isVisible());
    EXPECT_EQ(ordersPane()->toPlainText(), orders);  // the readout keeps the last result

    downloader.servePages = false;
    find<QRadioButton>("ordersCumulative")->setChecked(true);
    refreshButton()->click();
    EXPECT_THAT(bannerShown, ElementsAre(true, true, true, true));
    EXPECT_THAT(downloader.urls.back(), HasSubstr("orders_GBP_USD.png"));
    EXPECT_FALSE(refreshBanner()->isVisible());
    EXPECT_TRUE(form.state().chartsLoaded());
}

// Requests that arrive while a refresh lets messages through are dropped:
// a second cycle, a recalculation, a spreadsheet transfer or a timer tick.
TEST_F(WindowTest, RequestsDuringARefreshAreSkipped)
{
    writeTemplate();
    MainWindow& form = startWindow();
    form.show();
    int ordersChanged = 0;
    QObject::connect(ordersPane(), &QPlainTextEdit::textChanged, [&] { ++ordersChanged; });
    int changesBeforeFetch = -1;
    downloader.onDownload = [&](const std::string&) {
        if (changesBeforeFetch < 0)
            changesBeforeFetch = ordersChanged;
    };
    // Queued now, delivered at the cycle's first message-processing step.
    QMetaObject::invokeMethod(refreshButton(), "click", Qt::QueuedConnection);
    QMetaObject::invokeMethod(calculateButton(), "click", Qt::QueuedConnection);
    QMetaObject::invokeMethod(action("exportAction"), "trigger", Qt::QueuedConnection);
    QMetaObject::invokeMethod(timer("periodicTimer"), "timeout", Qt::QueuedConnection);
    form.refresh();
    settle();
    EXPECT_EQ(downloader.urls.size(), 4u);  // start-up and exactly one cycle
    EXPECT_EQ(changesBeforeFetch, 0);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(form.refreshRunning());

    // After the cycle the same requests run again.
    refreshButton()->click();
    EXPECT_EQ(downloader.urls.size(), 6u);
}

TEST_F(WindowTest, ATimerTickWhileTheFailureMessageIsOpenIsSkipped)
{
    writeTemplate();
    MainWindow& form = startWindow();
    downloader.reachable = false;
    messages.onShow = [&](const std::string&) { form.refresh(); };
    form.refresh();
    EXPECT_THAT(messages.shown, ElementsAre(kLoadFailed));
    EXPECT_EQ(downloader.urls.size(), 4u);
    EXPECT_FALSE(form.state().chartsLoaded());
}

TEST_F(WindowTest, ClosingDuringARefreshStopsItAtTheNextMessageStep)
{
    writeTemplate();
    MainWindow& form = startWindow();
    form.show();
    QTimer::singleShot(0, &form, [&] { form.close(); });
    form.refresh();
    EXPECT_TRUE(form.isShutDown());
    EXPECT_EQ(downloader.urls.size(), 2u);  // no fetch after the window closed
    EXPECT_FALSE(form.state().chartsLoaded());
    EXPECT_EQ(settingsLines().size(), 5u);
}

TEST_F(WindowTest, CursorReadoutDrawsOnlyOverLoadedCharts)
{
    writeTemplate();
    downloader.reachable = false;
    MainWindow& form = startWindow();
    const QImage blank = chartCanvas()->canvas();
    form.pointerMovedOverChart(100, 275);
    EXPECT_EQ(chartCanvas()->canvas(), blank);

    downloader.reachable = true;
    form.refresh();
    const QImage charts = chartCanvas()->canvas();
    form.pointerMovedOverChart(100, 275);
    EXPECT_NE(chartCanvas()->canvas(), charts);
}

}  // namespace
}  // namespace tivka::test
