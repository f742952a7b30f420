// The refresh as the trader meets it: start-up, the figures shown, the window
// staying usable while it waits, and what a failure leaves on screen: one box
// for the whole refresh, a state line that can be read in full, short tray
// notices, a missing digit template told alone.
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <filesystem>

#include "chart/chart_geometry.h"
#include "history/history_store.h"
#include "scheduling/gui/auto_refresh.h"
#include "window_fixture.h"

namespace tivka::test {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

void requestPairs(const fs::path& dir, std::initializer_list<const char*> codes)
{
    fs::create_directories(dir / "experts" / "files" / "Tivka");
    for (const char* code : codes)
        writeFile(dir / "experts" / "files" / "Tivka" / (std::string("ir") + code + ".dat"), "0");
}

// Whatever fails at start-up, the window opens, says what went wrong once,
// and arms the timers the settings ask for; an error page the server sent in
// place of a chart is not left in the folder. (A whole box for an unreachable
// server: ARefreshShowsAtMostOneBoxListingEveryFailure; start-up without a
// template: ARefreshWithoutATemplateSaysSoOnce.)
TEST_F(WindowTest, AFailedStartUpIsToldOnceAndTheWindowStillOpens)
{
    writeFile(settingsPath(), "[Setting]\nTime2=40\nTimerEn2=1\n");
    downloader.servePages = true;
    MainWindow& form = startWindow();
    EXPECT_THAT(messages.shown, ElementsAre(StartsWith("on_GBPUSD.png from " + std::string(kDefaultChartUrl) +
                                                       "orders_noncumulative_GBP_USD.png: not a PNG image")));
    EXPECT_FALSE(form.state().chartsLoaded());
    EXPECT_TRUE(ordersPane()->toPlainText().isEmpty());
    calculateButton()->click();  // does nothing without charts
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(form.autoRefresh().hourlyEnabled());
    EXPECT_FALSE(fs::exists("on_GBPUSD.png") || fs::exists("pn_GBPUSD.png"));
}

// After a failed refresh the last charts stay and the line under the window
// says since when they are stale and why; a timer's failure shows no box, nor
// a tray notice while the window is in view, and the timer goes on; the next
// good refresh clears the line. Charts kept after a pair that cannot be
// fetched say whose they are. Charts whose layout looks changed are shown and
// kept in the history, marked, and the line says so.
TEST_F(WindowTest, AFailedRefreshKeepsTheChartsAndSaysTheyAreStale)
{
    historyPath = (dir / "history.sqlite3").string();
    writeFile(settingsPath(), "[Setting]\nTime1=5\nTimerEn1=1\n");
    MainWindow& form = startWindow(/*trayAvailable=*/true);
    const QString orders = ordersPane()->toPlainText();
    const std::string url = kDefaultChartUrl;
    downloader.servePages = true;
    clock.setMinute(40);
    refreshByButton();
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(ordersPane()->toPlainText(), orders);
    EXPECT_THAT(state(), StartsWith("Данные от 12:30, ошибка в 12:40: on_GBPUSD.png from " + url));

    downloader.servePages = false;
    downloader.reachable = false;
    clock.setMinute(45);
    periodicTick();
    EXPECT_EQ(messages.shown.size(), 1u) << "a timer's failure shows no box";
    EXPECT_THAT(state(), StartsWith("Данные от 12:30, ошибка в 12:45: Сервер недоступен: "));
    EXPECT_TRUE(trayNotices.empty()) << "the window is in view";
    EXPECT_TRUE(timer("periodicTimer")->isActive());

    downloader.reachable = true;
    find<QRadioButton>("ordersCumulative")->setChecked(true);
    refreshByButton();
    EXPECT_THAT(downloader.urls.back(), HasSubstr("orders_GBP_USD.png"));
    EXPECT_EQ(state(), "");
    const QString cumulative = ordersPane()->toPlainText();
    EXPECT_NE(cumulative, orders);

    pairBox()->setCurrentText("XYZ/ABC");
    EXPECT_EQ(state(), "На графиках GBP/USD от 12:45");
    clock.setMinute(50);
    refreshByButton();
    EXPECT_THAT(messages.shown.back(), StartsWith("oc_XYZABC.png from " + url));
    EXPECT_EQ(ordersPane()->toPlainText(), cumulative);
    EXPECT_THAT(state(), StartsWith("Данные GBP/USD от 12:45, ошибка в 12:50: oc_XYZABC.png from "));
    EXPECT_FALSE(fs::exists(dir / "oc_XYZABC.png") || fs::exists(dir / "pn_XYZABC.png"));
    pairBox()->setCurrentText("GBP/USD");
    EXPECT_THAT(state(), StartsWith("Данные от 12:45, ошибка в 12:50: "));

    downloader.alterModel = [](charts::ChartModel& model) { model.timeText = "1230"; };
    refreshByButton();
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_TRUE(ordersPane()->toPlainText().startsWith("--- Now Price ----\n"));
    EXPECT_EQ(state(), "Разметка графика изменилась: ордера: время '1230' не в виде ЧЧ:ММ или ЧЧ:ММ:СС; "
                       "позиции: время '1230' не в виде ЧЧ:ММ или ЧЧ:ММ:СС");
    form.close();  // what is queued for the history is written
    ReadingQuery gbpUsd;
    gbpUsd.pairText = "GBP/USD";
    std::vector<std::string> marks;  // the positions chart of the third refresh was held already
    for (const StoredReading& r : HistoryStore(historyPath).readings(gbpUsd))
        marks.push_back(r.failedChecks ? std::to_string(r.failedChecks->bits()) : "none");
    const std::string timeFormat = std::to_string(1u << unsigned(LayoutCheck::TimeFormat));
    EXPECT_THAT(marks, ElementsAre("0", "0", "0", timeFormat, timeFormat));
}

// Start-up shows the window at once and refreshes behind it: both charts
// then on the picture and in the panes, their files deleted once read. While
// a refresh waits the banner counts the charts and leaves the price and time
// of both in view; requests that would clash are dropped (another refresh, a
// recalculation, an export, a timer tick) and the readout draws over the
// charts shown. The banner's button cancels, and the indicator pass is then
// not started; so does Escape, even after a menu was opened and closed with
// Escape (the menu bar then holds the keyboard).
TEST_F(WindowTest, TheWindowWorksWhileARefreshWaitsAndTheBannerCancels)
{
    downloader.hold();
    MainWindow& form = makeWindow();
    form.startUp();
    form.show();
    ASSERT_TRUE(waitUntilHeld());
    EXPECT_TRUE(refreshBanner()->isVisible());
    downloader.release();
    waitForRefresh();
    EXPECT_THAT(downloader.urls, ElementsAre(HasSubstr("posentryprice_noncumulative_GBP_USD.png"),
                                             HasSubstr("orders_noncumulative_GBP_USD.png")));
    EXPECT_TRUE(ordersPane()->toPlainText().startsWith("--- Now Price ----\n"));
    EXPECT_TRUE(find<QPlainTextEdit>("positionsPane")->toPlainText().startsWith("--- Now Price ----\n"));
    EXPECT_FALSE(fs::exists(dir / "on_GBPUSD.png") || fs::exists(dir / "pn_GBPUSD.png"));
    const QImage& canvas = chartCanvas()->canvas();  // chart ink replaced the blank canvas
    EXPECT_NE(canvas.copy(0, 0, 256, 532), QImage(256, 532, canvas.format()));
    EXPECT_NE(canvas.copy(258, 0, 256, 532), QImage(256, 532, canvas.format()));

    requestPairs(dir.path(), {"EURUSD"});
    const QString orders = ordersPane()->toPlainText();
    downloader.urls.clear();
    downloader.onDownload = [&](const std::string& url) {
        if (url.find("orders_noncumulative_GBP_USD") != std::string::npos)
            downloader.hold();
    };
    refreshButton()->click();
    ASSERT_TRUE(waitUntilHeld());
    EXPECT_EQ(refreshBanner()->text(), QStringLiteral("Обновление данных 1/4"));
    const QRect banner = refreshBanner()->geometry().translated(-chartCanvas()->pos());  // both lie on the client area
    for (const int half : {geometry::kPositionsViewLeft, geometry::kOrdersViewLeft})
        for (const geometry::TextBand& text : {geometry::kPriceText, geometry::kTimeText}) {
            // A chart's text band, turned upright as the view shows it.
            const QRect shown(half + text.firstRow, geometry::kViewColumnBase - text.endColumn,
                              text.endRow - text.firstRow, text.endColumn - text.firstColumn);
            EXPECT_FALSE(banner.intersects(shown)) << half << " " << text.firstRow;
        }
    refreshButton()->click();
    calculateButton()->click();
    action("exportAction")->trigger();
    QMetaObject::invokeMethod(timer("periodicTimer"), "timeout");
    const QImage before = chartCanvas()->canvas();
    form.pointerMovedOverChart(100, 275);
    EXPECT_NE(chartCanvas()->canvas(), before) << "the readout works on the charts shown";
    find<QPushButton>("cancelRefreshButton")->click();
    waitForRefresh();
    EXPECT_FALSE(refreshBanner()->isVisible());
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(openedWorkbooks.empty());
    EXPECT_EQ(downloader.urls.size(), 2u) << "one refresh, and no indicator pass after the cancel";
    EXPECT_EQ(ordersPane()->toPlainText(), orders);
    EXPECT_EQ(state(), "Данные от 12:30, обновление прервано в 12:30");

    downloader.onDownload = nullptr;  // the hold stays: the next refresh waits at once
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    clock.setMinute(40);
    refreshButton()->click();
    ASSERT_TRUE(waitUntilHeld());
    QMenuBar* bar = form.menuBar();
    QAction* file = bar->actions().front();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file).center());
    QMenu* menu = file->menu();
    ASSERT_TRUE(menu->isVisible());
    QTest::keyClick(menu, Qt::Key_Escape);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_TRUE(form.refreshRunning()) << "the first Escape only closes the menu";
    ASSERT_EQ(QApplication::focusWidget(), bar) << "the menu bar holds the keyboard";
    QTest::keyClick(bar, Qt::Key_Escape);
    waitForRefresh();
    EXPECT_EQ(state(), "Данные от 12:30, обновление прервано в 12:40");

    downloader.release();
    downloader.urls.clear();
    refreshByButton();
    EXPECT_EQ(downloader.urls.size(), 4u) << "afterwards a refresh runs whole";
    EXPECT_EQ(readFile(dir / "experts" / "files" / "Tivka" / "irEURUSD.dat"), "2");
}

// In the tray, a change of the charts' layout is told once when it comes,
// not after every timer's refresh while it lasts, and again when it comes
// back after the charts were sound. However many charts fail, a refresh the
// user started shows one box that lists them all, and one a timer started in
// the tray one short notice. The line under the window, cut to its width,
// shows all of it when hovered, a failure a line, and in a box when clicked.
TEST_F(WindowTest, ARefreshShowsAtMostOneBoxListingEveryFailure)
{
    MainWindow& form = startWindow(/*trayAvailable=*/true);
    intoTray();
    for (const bool changed : {true, true, false, true, true}) {
        downloader.alterModel = [changed](charts::ChartModel& model) { model.timeText = changed ? "1230" : "12:30"; };
        form.refreshFromTimer();
        waitForRefresh();
    }
    const std::string warning = "Разметка графика изменилась: ордера: время '1230' не в виде ЧЧ:ММ или ЧЧ:ММ:СС; "
                                "позиции: время '1230' не в виде ЧЧ:ММ или ЧЧ:ММ:СС";
    EXPECT_THAT(trayNotices, ElementsAre(warning, warning));

    intoTray();  // back out of it
    requestPairs(dir.path(), {"EURUSD", "USDJPY"});
    downloader.reachable = false;
    refreshByButton();
    const std::string url = kDefaultChartUrl;
    EXPECT_THAT(messages.shown,
                ElementsAre("Ошибка при загрузке графиков!\n"
                            "Сервер недоступен: " + url + "posentryprice_noncumulative_GBP_USD.png (Couldn't connect to server)\n"
                            "Сервер недоступен: " + url + "orders_noncumulative_GBP_USD.png (Couldn't connect to server)\n"
                            "Ошибка при обновлении графиков для EURUSD: сервер недоступен\n"
                            "Ошибка при обновлении графиков для USDJPY: сервер недоступен"));
    auto* line = find<StateLine>("dataStateLine");
    EXPECT_TRUE(line->text().endsWith(QChar(0x2026)));
    EXPECT_LT(line->fontMetrics().horizontalAdvance(line->text()), line->width());
    EXPECT_TRUE(QString::fromStdString(state()).startsWith(line->text().chopped(1))) << "the line shows the start";
    const QString details = line->toolTip();
    // The failures of both charts and of both indicator pairs under a heading each.
    EXPECT_EQ(details.count('\n'), 5) << details.toStdString();
    EXPECT_TRUE(details.endsWith("orders_noncumulative_USD_JPY.png (Couldn't connect to server))"));
    messages.shown.clear();
    QTest::mouseClick(line, Qt::LeftButton);
    EXPECT_THAT(messages.shown, ElementsAre(details.toStdString()));

    messages.shown.clear();
    intoTray();
    form.refreshFromTimer();
    waitForRefresh();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_THAT(trayNotices, ElementsAre(warning, warning,
                                         "GBPUSD: сервер недоступен\nEURUSD: сервер недоступен\n"
                                         "USDJPY: сервер недоступен"));
}

// Without the digit template the window still opens and says, once, which
// folder needs it and which tools make it, and arms no timer; a refresh
// looks for it again and, still without one, says that alone instead of a
// failure per chart; once it is there, the refresh works.
TEST_F(WindowTest, ARefreshWithoutATemplateSaysSoOnce)
{
    fs::remove("ndata.bmp");
    writeFile(settingsPath(), "[Setting]\nTime2=40\nTimerEn2=1\n");
    requestPairs(dir.path(), {"EURUSD", "USDJPY"});
    MainWindow& form = startWindow();
    EXPECT_THAT(messages.shown, ElementsAre(AllOf(StartsWith((dir / "ndata.bmp").string() + ": cannot be opened"),
                                                  HasSubstr("в рабочей папке " + dir.path().string()),
                                                  HasSubstr("tivka-chart-server"), HasSubstr("tivka-template"))));
    EXPECT_FALSE(form.autoRefresh().hourlyEnabled());
    refreshByButton();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1], messages.shown[0]);
    EXPECT_TRUE(downloader.urls.empty());
    EXPECT_THAT(state(), HasSubstr("ndata.bmp"));

    writeTemplate();
    refreshByButton();
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(state(), "");
    EXPECT_TRUE(ordersPane()->toPlainText().startsWith("--- Now Price ----\n"));
}

}  // namespace
}  // namespace tivka::test
