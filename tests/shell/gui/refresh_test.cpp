// The refresh as the trader meets it: start-up, the figures shown, what a
// failure leaves on screen, and the window staying usable while it waits.
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <filesystem>
#include <functional>

#include "chart/chart_geometry.h"
#include "history/history_store.h"
#include "scheduling/gui/auto_refresh.h"
#include "window_fixture.h"

namespace tivka::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

TEST_F(WindowTest, StartUpShowsTheWindowAtOnceAndRefreshesBehindIt)
{
    writeTemplate();
    downloader.hold();
    MainWindow& form = makeWindow();
    form.startUp();
    form.show();
    ASSERT_TRUE(waitUntilHeld());
    EXPECT_TRUE(refreshBanner()->isVisible());
    downloader.release();
    waitForRefresh();

    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
    ASSERT_EQ(downloader.urls.size(), 2u);
    EXPECT_THAT(downloader.urls[0], HasSubstr("posentryprice_noncumulative_GBP_USD.png"));
    EXPECT_THAT(downloader.urls[1], HasSubstr("orders_noncumulative_GBP_USD.png"));
    EXPECT_TRUE(ordersPane()->toPlainText().startsWith("--- Now Price ----\n"));
    EXPECT_TRUE(positionsPane()->toPlainText().startsWith("--- Now Price ----\n"));
    EXPECT_FALSE(refreshBanner()->isVisible());
    EXPECT_EQ(state(), "");
    EXPECT_FALSE(fs::exists(dir / "on_GBPUSD.png") || fs::exists(dir / "pn_GBPUSD.png"))
        << "the downloaded charts are deleted once read";
    // Both charts are on the picture: chart ink replaced the blank canvas.
    const QImage& canvas = chartCanvas()->canvas();
    EXPECT_NE(canvas.copy(0, 0, 256, 532), QImage(256, 532, canvas.format()));
    EXPECT_NE(canvas.copy(258, 0, 256, 532), QImage(256, 532, canvas.format()));
}

// Whatever fails at start-up, the window opens, says what went wrong once,
// and arms the timers the settings ask for.
TEST_F(WindowTest, StartUpFailuresAreToldOnceAndTheWindowStillOpens)
{
    const std::string templatePath = (dir / "ndata.bmp").string();
    const struct {
        const char* what;
        std::function<void(FakeChartDownloader&)> make;
        std::string message;  // what the one message starts with
        std::size_t downloads;
    } cases[] = {
        {"no template", [](auto&) {},
         templatePath + ": cannot be opened (No such file or directory)\nНужен шаблон цифр ndata.bmp в рабочей папке " +
             dir.path().string() + ": для демонстрационных графиков его пишет tivka-chart-server "
             "--write-template ndata.bmp, для графиков брокера его делает tivka-template",
         0},
        {"server unreachable",
         [&](auto& server) { writeTemplate(), server.reachable = false; },
         std::string("Ошибка при загрузке графиков!\nСервер недоступен: ") + kDefaultChartUrl +
             "posentryprice_noncumulative_GBP_USD.png",
         2},
        {"error page in place of a chart", [&](auto& server) { writeTemplate(), server.servePages = true; },
         "on_GBPUSD.png from " + std::string(kDefaultChartUrl) +
             "orders_noncumulative_GBP_USD.png: not a PNG image (starts with '<html>",
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all("ndata.bmp");
        writeFile(settingsPath(), "[Setting]\nTime2=40\nTimerEn2=1\n");
        downloader.reachable = true;
        downloader.servePages = false;
        downloader.urls.clear();
        c.make(downloader);
        messages.shown.clear();
        MainWindow& form = startWindow();
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_THAT(messages.shown[0], StartsWith(c.message));
        EXPECT_EQ(downloader.urls.size(), c.downloads);
        EXPECT_FALSE(form.state().chartsLoaded());
        EXPECT_TRUE(ordersPane()->toPlainText().isEmpty());
        calculateButton()->click();  // does nothing without charts
        EXPECT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(form.autoRefresh().hourlyEnabled(), c.downloads > 0) << "timers run once a template is there";
        form.close();
    }
    // What a failed fetch left is not a chart: it is removed.
    EXPECT_FALSE(fs::exists("on_GBPUSD.png") || fs::exists("pn_GBPUSD.png"));
}

// After a failed refresh the last charts stay and the line under the window
// says since when they are stale and why; a timer's failure shows no box but
// reaches the tray when the window sits there; the next good refresh clears
// the line. Charts whose layout looks changed are shown and kept in the
// history, marked.
TEST_F(WindowTest, AFailedRefreshKeepsTheChartsAndSaysTheyAreStale)
{
    writeTemplate();
    historyPath = (dir / "history.sqlite3").string();
    writeFile(settingsPath(), "[Setting]\nTime1=5\nTimerEn1=1\n");
    MainWindow& form = startWindow(/*trayAvailable=*/true);
    form.show();
    const QString orders = ordersPane()->toPlainText();
    downloader.servePages = true;
    clock.setMinute(40);
    refreshButton()->click();
    waitForRefresh();
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(ordersPane()->toPlainText(), orders);
    EXPECT_THAT(state(), StartsWith("Данные от 12:30, ошибка в 12:40: on_GBPUSD.png from " +
                                    std::string(kDefaultChartUrl)));

    downloader.servePages = false;
    downloader.reachable = false;
    clock.setMinute(45);
    QMetaObject::invokeMethod(timer("periodicTimer"), "timeout");
    waitForRefresh();
    EXPECT_EQ(messages.shown.size(), 1u) << "a timer's failure shows no box";
    EXPECT_THAT(state(), StartsWith("Данные от 12:30, ошибка в 12:45: Сервер недоступен: "));
    EXPECT_TRUE(trayNotices.empty()) << "the window is in view";
    form.trayIconDoubleClicked();  // into the tray
    settle();
    QMetaObject::invokeMethod(timer("periodicTimer"), "timeout");
    waitForRefresh();
    EXPECT_EQ(trayNotices, std::vector<std::string>{"GBPUSD: сервер недоступен"});
    EXPECT_TRUE(timer("periodicTimer")->isActive());

    downloader.reachable = true;
    find<QRadioButton>("ordersCumulative")->setChecked(true);
    refreshButton()->click();
    waitForRefresh();
    EXPECT_THAT(downloader.urls.back(), HasSubstr("orders_GBP_USD.png"));
    EXPECT_EQ(state(), "");
    EXPECT_NE(ordersPane()->toPlainText(), orders);

    // Figures are shown as ever from charts whose layout looks changed, but
    // the line says so.
    downloader.alterModel = [](charts::ChartModel& model) { model.timeText = "1230"; };
    refreshButton()->click();
    waitForRefresh();
    EXPECT_EQ(messages.shown.size(), 1u);
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

// While a refresh waits, requests that would clash are dropped (another
// refresh, a recalculation, an export, a timer tick); the readout draws over
// the charts shown. The banner counts the charts and
// its button cancels: the indicator pass is then not started.
TEST_F(WindowTest, WhileARefreshWaitsTheWindowWorksAndTheBannerCancels)
{
    writeTemplate();
    MainWindow& form = startWindow();
    form.show();
    fs::create_directories(dir / "experts" / "files" / "Tivka");
    writeFile(dir / "experts" / "files" / "Tivka" / "irEURUSD.dat", "0");
    const QString orders = ordersPane()->toPlainText();
    downloader.urls.clear();
    downloader.onDownload = [&](const std::string& url) {
        if (url.find("orders_noncumulative_GBP_USD") != std::string::npos)
            downloader.hold();
    };
    refreshButton()->click();
    ASSERT_TRUE(waitUntilHeld());
    EXPECT_EQ(refreshBanner()->text(), QStringLiteral("Обновление данных 1/4"));
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

    downloader.onDownload = nullptr;
    downloader.release();
    refreshButton()->click();
    waitForRefresh();
    EXPECT_EQ(downloader.urls.size(), 6u) << "afterwards a refresh runs whole";
    EXPECT_EQ(readFile(dir / "experts" / "files" / "Tivka" / "irEURUSD.dat"), "2");
}

// The banner leaves the price and the time of both charts in view; Escape
// gives the refresh up even after a menu was opened and closed with Escape
// (the menu bar then holds the keyboard).
TEST_F(WindowTest, TheBannerLeavesPricesAndTimesInViewAndEscapeCancelsAfterAMenu)
{
    writeTemplate();
    MainWindow& form = startWindow();
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    downloader.hold();
    refreshButton()->click();
    ASSERT_TRUE(waitUntilHeld());
    const QRect banner = refreshBanner()->geometry().translated(-chartCanvas()->pos());  // both lie on the client area
    for (const int half : {geometry::kPositionsViewLeft, geometry::kOrdersViewLeft})
        for (const geometry::TextBand& text : {geometry::kPriceText, geometry::kTimeText}) {
            // A chart's text band, turned upright as the view shows it.
            const QRect shown(half + text.firstRow, geometry::kViewColumnBase - text.endColumn,
                              text.endRow - text.firstRow, text.endColumn - text.firstColumn);
            EXPECT_FALSE(banner.intersects(shown)) << half << " " << text.firstRow;
        }

    QMenuBar* bar = form.menuBar();
    QAction* file = bar->actions().front();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file).center());
    QMenu* menu = file->menu();
    ASSERT_TRUE(menu->isVisible());
    QTest::keyClick(menu, Qt::Key_Escape);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_TRUE(form.refreshRunning()) << "the first Escape only closes the menu";
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    EXPECT_EQ(focus, bar) << "the menu bar holds the keyboard";
    QTest::keyClick(focus, Qt::Key_Escape);
    waitForRefresh();
    EXPECT_FALSE(form.refreshRunning());
    EXPECT_EQ(state(), "Данные от 12:30, обновление прервано в 12:30");
}

}  // namespace
}  // namespace tivka::test
