// What a trader sees when a refresh fails: one box for the whole refresh,
// a state line that can be read in full, short tray notices, and a missing
// digit template told alone.
#include <QTest>
#include <filesystem>

#include "scheduling/gui/auto_refresh.h"
#include "window_fixture.h"

namespace tivka::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

void requestPairs(const fs::path& dir, std::initializer_list<const char*> codes)
{
    fs::create_directories(dir / "experts" / "files" / "Tivka");
    for (const char* code : codes)
        writeFile(dir / "experts" / "files" / "Tivka" / (std::string("ir") + code + ".dat"), "0");
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

// Without the digit template the window still opens and says where the
// template comes from, once, and arms no timer; a refresh looks for it
// again and, still without one, says that alone instead of a failure per
// chart; once it is there, the refresh works.
TEST_F(WindowTest, ARefreshWithoutATemplateSaysSoOnce)
{
    fs::remove("ndata.bmp");
    writeFile(settingsPath(), "[Setting]\nTime2=40\nTimerEn2=1\n");
    requestPairs(dir.path(), {"EURUSD", "USDJPY"});
    MainWindow& form = startWindow();
    EXPECT_THAT(messages.shown,
                ElementsAre(StartsWith((dir / "ndata.bmp").string() + ": cannot be opened (No such file or directory)\n"
                                       "Нужен шаблон цифр ndata.bmp в рабочей папке " + dir.path().string() +
                                       ": для демонстрационных графиков его пишет tivka-chart-server "
                                       "--write-template ndata.bmp, для графиков брокера его делает tivka-template")));
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
