// What a trader sees when a refresh fails: one box for the whole refresh,
// a state line that can be read in full, short tray notices, and charts
// that say whose they are.
#include <QTest>
#include <filesystem>

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

// However many charts fail, a refresh the user started shows one box that
// lists them all, and one a timer started in the tray one short notice.
TEST_F(WindowTest, ARefreshShowsAtMostOneBoxListingEveryFailure)
{
    writeTemplate();
    MainWindow& form = startWindow(/*trayAvailable=*/true);
    form.show();
    requestPairs(dir.path(), {"EURUSD", "USDJPY"});
    downloader.reachable = false;
    refreshButton()->click();
    waitForRefresh();
    const std::string url = kDefaultChartUrl;
    EXPECT_THAT(messages.shown,
                ElementsAre("Ошибка при загрузке графиков!\n"
                            "Сервер недоступен: " + url + "posentryprice_noncumulative_GBP_USD.png (Couldn't connect to server)\n"
                            "Сервер недоступен: " + url + "orders_noncumulative_GBP_USD.png (Couldn't connect to server)\n"
                            "Ошибка при обновлении графиков для EURUSD: сервер недоступен\n"
                            "Ошибка при обновлении графиков для USDJPY: сервер недоступен"));

    messages.shown.clear();
    form.trayIconDoubleClicked();  // into the tray
    settle();
    form.refreshFromTimer();
    waitForRefresh();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_THAT(trayNotices, ElementsAre("GBPUSD: сервер недоступен\nEURUSD: сервер недоступен\n"
                                         "USDJPY: сервер недоступен"));
}

// In the tray, a change of the charts' layout is told once when it comes,
// not after every timer's refresh while it lasts, and again when it comes
// back after the charts were sound.
TEST_F(WindowTest, ALayoutChangeIsToldInTheTrayOncePerChange)
{
    writeTemplate();
    MainWindow& form = startWindow(/*trayAvailable=*/true);
    form.show();
    form.trayIconDoubleClicked();  // into the tray
    settle();
    const auto timerRefresh = [&](bool changed) {
        downloader.alterModel = [changed](charts::ChartModel& model) { model.timeText = changed ? "1230" : "12:30"; };
        form.refreshFromTimer();
        waitForRefresh();
    };
    for (const bool changed : {true, true, false, true, true})
        timerRefresh(changed);
    const std::string warning = "Разметка графика изменилась: ордера: время '1230' не в виде ЧЧ:ММ или ЧЧ:ММ:СС; "
                                "позиции: время '1230' не в виде ЧЧ:ММ или ЧЧ:ММ:СС";
    EXPECT_THAT(trayNotices, ElementsAre(warning, warning));
}

// Without a digit template a refresh looks for it again and, still without
// one, says that alone instead of a failure per chart.
TEST_F(WindowTest, ARefreshWithoutATemplateSaysSoOnce)
{
    requestPairs(dir.path(), {"EURUSD", "USDJPY"});
    startWindow();
    ASSERT_EQ(messages.shown.size(), 1u);
    refreshButton()->click();
    waitForRefresh();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1], messages.shown[0]);
    EXPECT_TRUE(downloader.urls.empty());
    EXPECT_THAT(state(), HasSubstr("ndata.bmp"));

    writeTemplate();
    refreshButton()->click();
    waitForRefresh();
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(state(), "");
    EXPECT_TRUE(ordersPane()->toPlainText().startsWith("--- Now Price ----\n"));
}

// After a pair that cannot be fetched the charts of the one before stay,
// and the state line says whose they are; what the failed fetch left is
// removed from the working folder.
TEST_F(WindowTest, ChartsKeptAfterAFailedPairSayWhoseTheyAre)
{
    writeTemplate();
    MainWindow& form = startWindow();
    form.show();
    const QString orders = ordersPane()->toPlainText();
    pairBox()->setCurrentText("XYZ/ABC");
    EXPECT_EQ(state(), "На графиках GBP/USD от 12:30");
    clock.setMinute(40);
    refreshButton()->click();
    waitForRefresh();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_THAT(messages.shown[0], StartsWith("on_XYZABC.png from " + std::string(kDefaultChartUrl)));
    EXPECT_EQ(ordersPane()->toPlainText(), orders);
    EXPECT_THAT(state(), StartsWith("Данные GBP/USD от 12:30, ошибка в 12:40: on_XYZABC.png from "));
    EXPECT_FALSE(fs::exists(dir / "on_XYZABC.png") || fs::exists(dir / "pn_XYZABC.png"));

    pairBox()->setCurrentText("GBP/USD");
    EXPECT_THAT(state(), StartsWith("Данные от 12:30, ошибка в 12:40: "));
    refreshButton()->click();
    waitForRefresh();
    EXPECT_EQ(state(), "");
}

// A state line longer than the window shows its start; hovering shows all
// of it, a part a line, and a click shows it in a box.
TEST_F(WindowTest, TheWholeStateLineCanBeRead)
{
    writeTemplate();
    MainWindow& form = startWindow();
    form.show();
    requestPairs(dir.path(), {"EURUSD"});
    downloader.reachable = false;
    refreshButton()->click();
    waitForRefresh();
    messages.shown.clear();
    auto* line = find<StateLine>("dataStateLine");
    EXPECT_TRUE(line->text().endsWith(QChar(0x2026))) << "cut, and seen to be cut";
    EXPECT_LT(line->fontMetrics().horizontalAdvance(line->text()), line->width());
    const std::string url = kDefaultChartUrl;
    const std::string details =
        "Данные от 12:30, ошибка в 12:30:\n"
        "Сервер недоступен: " + url + "posentryprice_noncumulative_GBP_USD.png (Couldn't connect to server)\n"
        "Сервер недоступен: " + url + "orders_noncumulative_GBP_USD.png (Couldn't connect to server)\n"
        "Индикаторы не обновлены:\n"
        "EURUSD (Сервер недоступен: " + url + "posentryprice_noncumulative_EUR_USD.png (Couldn't connect to server); "
        "Сервер недоступен: " + url + "orders_noncumulative_EUR_USD.png (Couldn't connect to server))";
    EXPECT_EQ(line->toolTip().toStdString(), details);
    QTest::mouseClick(line, Qt::LeftButton);
    EXPECT_THAT(messages.shown, ElementsAre(details));
}

}  // namespace
}  // namespace tivka::test
