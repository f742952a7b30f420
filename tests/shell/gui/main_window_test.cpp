#include <QMenu>
#include <QMenuBar>
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
using ::testing::StartsWith;

const char* const kLoadFailed = "Ошибка при загрузке графиков!";

bool hasChartFiles(const fs::path& folder)
{
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".png")
            return true;
    return false;
}

// Start-up returns at once, whatever the server does; the first refresh
// runs behind the window.
TEST_F(WindowTest, StartUpShowsTheWindowAtOnceAndRefreshesBehindIt)
{
    writeTemplate();
    downloader.hold();
    MainWindow& form = makeWindow();
    form.startUp();
    form.show();
    ASSERT_TRUE(downloader.waitUntilHeld());
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.refreshRunning());
    EXPECT_TRUE(refreshBanner()->isVisible());
    downloader.release();
    waitForRefresh();

    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
    ASSERT_EQ(downloader.urls.size(), 2u);
    EXPECT_THAT(downloader.urls[0], HasSubstr("posentryprice_noncumulative_GBP_USD.png"));
    EXPECT_THAT(downloader.urls[1], HasSubstr("orders_noncumulative_GBP_USD.png"));
    EXPECT_TRUE(form.state().chartsLoaded());
    EXPECT_FALSE(ordersPane()->toPlainText().isEmpty());
    EXPECT_FALSE(positionsPane()->toPlainText().isEmpty());
    EXPECT_TRUE(calculateButton()->isEnabled());
    EXPECT_FALSE(refreshBanner()->isVisible());
    EXPECT_EQ(stateLine()->text(), QString());
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
    EXPECT_THAT(messages.shown[0], StartsWith(dir.path().string() + "/ndata.bmp: cannot be opened"));
    EXPECT_THAT(messages.shown[0], HasSubstr("\nНужен шаблон цифр ndata.bmp в рабочей папке " + dir.path().string() +
                                             ": для демонстрационных графиков его пишет tivka-chart-server "
                                             "--write-template ndata.bmp, для графиков брокера его делает "
                                             "tivka-template"));
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
    // Both fetches tried, one message: the fixed text, then each address.
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_THAT(messages.shown[0], StartsWith(std::string(kLoadFailed) + "\nСервер недоступен: " +
                                              kDefaultChartUrl + "posentryprice_noncumulative_GBP_USD.png"));
    EXPECT_EQ(downloader.urls.size(), 2u);
    EXPECT_TRUE(ordersPane()->toPlainText().isEmpty());
    EXPECT_TRUE(calculateButton()->isEnabled());
    EXPECT_FALSE(form.state().chartsLoaded());
    EXPECT_THAT(stateLine()->text().toStdString(), StartsWith("Нет данных, ошибка в 12:30: Сервер недоступен: "));

    calculateButton()->click();
    EXPECT_TRUE(ordersPane()->toPlainText().isEmpty());
    EXPECT_EQ(downloader.urls.size(), 2u);
    EXPECT_EQ(messages.shown.size(), 1u);
}

// A server that is down at start-up must not leave the timers off.
TEST_F(WindowTest, TimersAreArmedEvenWhenTheFirstRefreshFails)
{
    writeTemplate();
    writeFile(settingsPath(), "[Setting]\nTime2=40\nTimerEn2=1\n");
    downloader.servePages = true;
    MainWindow& form = startWindow();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_THAT(messages.shown[0], HasSubstr("not a PNG image"));
    EXPECT_FALSE(form.state().chartsLoaded());
    EXPECT_TRUE(form.autoRefresh().hourlyEnabled());
    EXPECT_TRUE(action("autoRefreshAction")->isChecked());
}

TEST_F(WindowTest, ClosingWritesTheSettingsEvenWithoutADownload)
{
    writeTemplate();
    downloader.reachable = false;
    MainWindow& form = startWindow();
    form.show();
    form.close();
    EXPECT_TRUE(form.isShutDown());
    EXPECT_THAT(settingsLines(), ElementsAre("Time1=0", "Time2=33", "TimerEn1=0", "TimerEn2=0",
                                             std::string("TIVKA_URL=") + kDefaultChartUrl, "Pair=GBP/USD",
                                             "OrdersFilter=50", "OrdersMode=>=", "PositionsFilter=50",
                                             "PositionsMode=>=", "OrdersVariant=noncumulative",
                                             "PositionsVariant=noncumulative"));
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
    waitForRefresh();
    ASSERT_EQ(downloader.urls.size(), 4u);
    EXPECT_THAT(downloader.urls[3], HasSubstr("orders_noncumulative_USD_JPY.png"));
    EXPECT_EQ(form.state().orders.decimals, 2);
}

// After a failed refresh the banner goes, the last charts stay, and a line
// says since when they are stale and why; the next good refresh clears it.
TEST_F(WindowTest, AFailedRefreshSaysTheChartsAreStale)
{
    writeTemplate();
    MainWindow& form = startWindow();
    form.show();
    const QString orders = ordersPane()->toPlainText();
    downloader.servePages = true;
    clock.setMinute(40);
    refreshButton()->click();
    waitForRefresh();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_FALSE(refreshBanner()->isVisible());
    EXPECT_TRUE(form.state().chartsLoaded());
    EXPECT_EQ(ordersPane()->toPlainText(), orders);
    EXPECT_THAT(stateLine()->text().toStdString(),
                StartsWith("Данные от 12:30, ошибка в 12:40: on_GBPUSD.png from " + std::string(kDefaultChartUrl)));

    downloader.servePages = false;
    find<QRadioButton>("ordersCumulative")->setChecked(true);
    refreshButton()->click();
    waitForRefresh();
    EXPECT_THAT(downloader.urls.back(), HasSubstr("orders_GBP_USD.png"));
    EXPECT_EQ(stateLine()->text(), QString());
}

// Figures are shown as ever from a chart whose layout looks changed, but the
// line says so.
TEST_F(WindowTest, AChangedChartLayoutIsToldInTheStateLine)
{
    writeTemplate();
    downloader.alterModel = [](charts::ChartModel& model) { model.timeText = "1230"; };
    startWindow();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(ordersPane()->toPlainText().isEmpty());
    EXPECT_EQ(stateLine()->text().toStdString(),
              "Разметка графика изменилась: ордера: время '1230' не в виде ЧЧ:ММ или ЧЧ:ММ:СС; "
              "позиции: время '1230' не в виде ЧЧ:ММ или ЧЧ:ММ:СС");
}

// A timer's refresh that fails shows no box: the line tells it, and so does
// the tray when the window sits there; the timer goes on.
TEST_F(WindowTest, ATimerRefreshThatFailsBlocksNothing)
{
    writeTemplate();
    writeFile(settingsPath(), "[Setting]\nTime1=5\nTimerEn1=1\n");
    MainWindow& form = startWindow(/*trayAvailable=*/true);
    form.show();
    downloader.reachable = false;
    QMetaObject::invokeMethod(timer("periodicTimer"), "timeout");
    waitForRefresh();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_THAT(stateLine()->text().toStdString(), StartsWith("Данные от 12:30, ошибка в 12:30: Сервер недоступен"));
    EXPECT_TRUE(trayNotices.empty()) << "the window is in view";
    EXPECT_TRUE(timer("periodicTimer")->isActive());

    form.trayIconDoubleClicked();  // into the tray
    settle();
    QMetaObject::invokeMethod(timer("periodicTimer"), "timeout");
    waitForRefresh();
    EXPECT_TRUE(messages.shown.empty());
    ASSERT_EQ(trayNotices.size(), 1u);
    EXPECT_EQ(trayNotices[0], stateLine()->text().toStdString());
    EXPECT_EQ(downloader.urls.size(), 6u);
}

TEST_F(WindowTest, TheBannerShowsProgressAndItsButtonCancels)
{
    writeTemplate();
    MainWindow& form = startWindow();
    form.show();
    fs::create_directories(dir / "experts" / "files" / "Tivka");
    writeFile(dir / "experts" / "files" / "Tivka" / "irEURUSD.dat", "0");
    downloader.urls.clear();
    downloader.onDownload = [&](const std::string& url) {
        if (url.find("orders_noncumulative_GBP_USD") != std::string::npos)
            downloader.hold();
    };
    const QString orders = ordersPane()->toPlainText();
    refreshButton()->click();
    ASSERT_TRUE(downloader.waitUntilHeld());
    settle();
    EXPECT_EQ(refreshBanner()->text(), QStringLiteral("Обновление данных 1/4"));
    find<QPushButton>("cancelRefreshButton")->click();
    waitForRefresh();
    EXPECT_FALSE(refreshBanner()->isVisible());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(downloader.urls.size(), 2u) << "the indicator pass is not started after a cancel";
    EXPECT_EQ(ordersPane()->toPlainText(), orders);
    EXPECT_EQ(stateLine()->text(), QStringLiteral("Данные от 12:30, обновление прервано в 12:30"));
}

// Requests that arrive while a refresh runs are dropped: a second refresh, a
// recalculation, a spreadsheet export or a timer tick. Meanwhile the window
// goes on working: its menus open and the readout draws over the charts shown.
TEST_F(WindowTest, TheWindowWorksWhileARefreshWaitsAndSkipsWhatWouldClash)
{
    writeTemplate();
    MainWindow& form = startWindow();
    form.show();
    int ordersChanged = 0;
    QObject::connect(ordersPane(), &QPlainTextEdit::textChanged, [&] { ++ordersChanged; });
    downloader.hold();
    refreshButton()->click();
    ASSERT_TRUE(downloader.waitUntilHeld());
    refreshButton()->click();
    calculateButton()->click();
    action("exportAction")->trigger();
    QMetaObject::invokeMethod(timer("periodicTimer"), "timeout");
    auto* menu = form.menuBar()->findChild<QMenu*>("settingsMenu");
    menu->popup(QPoint(10, 10));
    settle();
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
    const QImage before = chartCanvas()->canvas();
    form.pointerMovedOverChart(100, 275);
    EXPECT_NE(chartCanvas()->canvas(), before) << "the readout works on the charts shown";
    EXPECT_EQ(ordersChanged, 0);
    downloader.release();
    waitForRefresh();
    EXPECT_EQ(downloader.urls.size(), 4u);  // start-up and exactly one refresh
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(openedWorkbooks.empty());

    // After it the same requests run again.
    refreshButton()->click();
    waitForRefresh();
    EXPECT_EQ(downloader.urls.size(), 6u);
}

TEST_F(WindowTest, ClosingDuringARefreshCancelsItAndWritesTheSettings)
{
    writeTemplate();
    MainWindow& form = startWindow();
    form.show();
    downloader.hold();
    refreshButton()->click();
    ASSERT_TRUE(downloader.waitUntilHeld());
    form.close();
    EXPECT_TRUE(form.isShutDown());
    EXPECT_EQ(downloader.urls.size(), 4u);  // start-up, then the refresh cancelled in its first chart
    EXPECT_EQ(settingsLines().size(), 12u);
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
    waitForRefresh();
    const QImage charts = chartCanvas()->canvas();
    form.pointerMovedOverChart(100, 275);
    EXPECT_NE(chartCanvas()->canvas(), charts);
}

}  // namespace
}  // namespace tivka::test
