// The history as the window keeps and shows it: every refresh's readings
// stored, old ones pruned at start-up, and the "История" window's lines, heat
// map and figures for a known series.
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QLabel>
#include <QLineSeries>

#include "history/gui/heat_map_view.h"
#include "history/gui/history_window.h"
#include "history/history_store.h"
#include "shell/gui/window_fixture.h"

namespace tivka::test {
namespace {

// A positions or orders reading of GBP/USD with bars only where given:
// (column, buy pixels, sell pixels).
StoredReading made(ChartKind kind, std::int64_t fetchedAt, double price, std::vector<std::tuple<int, int, int>> bars)
{
    StoredReading stored{"GBP/USD", kind, false, fetchedAt, {}};
    stored.reading.priceText = std::to_string(price).substr(0, 6);
    stored.reading.price = price;
    stored.reading.timeText = "12:30";
    stored.reading.scale = {{price - 0.01, 205}, {price + 0.01, 305}};
    stored.reading.step = ScaleStep(stored.reading.scale);
    for (int column = 75; column <= 435; ++column)
        stored.reading.level(column).price = column == 255 ? price : ColumnPrice(stored.reading.scale, stored.reading.step, column);
    for (const auto& [column, buy, sell] : bars) {
        stored.reading.level(column).buyPixels = buy;
        stored.reading.level(column).sellPixels = sell;
    }
    return stored;
}

class HistoryWindowTest : public WindowTest {
protected:
    HistoryWindowTest() { historyPath = (dir / "data" / "history.sqlite3").string(); }
};

TEST_F(HistoryWindowTest, RefreshesKeepTheirReadingsAndOldOnesArePrunedAtStartUp)
{
    {
        HistoryStore store(historyPath);
        store.record(made(ChartKind::Orders, clock.instant - 8 * 86400, 1.25, {}));
        store.record(made(ChartKind::Orders, clock.instant - 6 * 86400, 1.26, {}));
    }
    writeFile(settingsPath(), "[Setting]\nHistoryDays=7\n");
    writeTemplate();
    startWindow();
    window->refresh();  // the same charts again: kept once
    const ChartReading shown = window->state().orders.reading;
    window->close();
    HistoryStore store(historyPath);
    const auto orders = store.readings({"GBP/USD", ChartKind::Orders, false});
    ASSERT_EQ(orders.size(), 2u);
    EXPECT_EQ(orders[0].fetchedAt, clock.instant - 6 * 86400);
    EXPECT_EQ(orders[1].fetchedAt, clock.instant);
    EXPECT_EQ(orders[1].reading.priceText, shown.priceText);
    EXPECT_EQ(orders[1].reading.level(300).buyPixels, shown.level(300).buyPixels);
    EXPECT_EQ(store.readings({"GBP/USD", ChartKind::Positions, false}).size(), 1u);
    EXPECT_THAT(settingsLines(), ::testing::Not(::testing::Contains(::testing::HasSubstr("HistoryDays=0"))));
}

TEST_F(HistoryWindowTest, MenuEntryOpensTheHistoryOfThePairShown)
{
    writeTemplate();
    startWindow();
    pairBox()->setCurrentText("EUR/USD");
    action("historyAction")->trigger();
    settle();
    auto* history = window->findChild<HistoryWindow*>();
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(history->windowTitle(), "История EUR/USD");
    EXPECT_TRUE(messages.shown.empty());

    historyPath.clear();
    makeWindow();
    action("historyAction")->trigger();
    EXPECT_THAT(messages.shown, ::testing::ElementsAre("История не ведётся"));
}

TEST_F(HistoryWindowTest, ShowsThePriceAndBuyShareOfTheSpanAndTheOrdersAsAHeatMap)
{
    const std::int64_t now = clock.instant;
    {
        HistoryStore store(historyPath);
        store.record(made(ChartKind::Positions, now - 3 * 86400, 1.2400, {{100, 74, 0}}));
        store.record(made(ChartKind::Positions, now - 3600, 1.2500, {{100, 74, 0}, {300, 0, 74}}));
        store.record(made(ChartKind::Positions, now - 1200, 1.2510, {{100, 74, 0}, {120, 37, 0}, {300, 0, 74}}));
        store.record(made(ChartKind::Orders, now - 1200, 1.2510, {{300, 0, 75}}));
    }
    HistoryWindow view({historyPath, "GBP/USD", false, false}, clock);
    view.resize(800, 500);
    ASSERT_EQ(view.points().size(), 2u);  // one day: the reading of three days ago is outside
    EXPECT_EQ(view.points()[1].price, 1.2510);
    EXPECT_DOUBLE_EQ(*view.points()[1].buyShare, 60.0);
    const QChart* chart = view.findChild<QChartView*>("trendChart")->chart();
    ASSERT_EQ(chart->series().size(), 2);
    const auto* price = static_cast<QLineSeries*>(chart->series()[0]);
    const auto* share = static_cast<QLineSeries*>(chart->series()[1]);
    ASSERT_EQ(price->count(), 2);
    EXPECT_EQ(price->at(0), QPointF(double(now - 3600) * 1000, 1.25));
    EXPECT_EQ(share->at(1), QPointF(double(now - 1200) * 1000, 60.0));
    EXPECT_EQ(view.readingText(now - 1000),
              "07.12.2026 12:10 UTC (график 12:30): цена 1.2510, Buy 60.0% (Buy 150%, Sell 100%)");

    const HeatMap& map = view.findChild<HeatMapView*>("heatMap")->map();
    int hottest = -1;
    for (const int cell : map.cells)
        hottest = std::max(hottest, cell);
    EXPECT_EQ(hottest, 101);  // the wall of sell orders at column 300

    view.findChild<QComboBox*>("spanBox")->setCurrentIndex(1);  // one week
    EXPECT_EQ(view.points().size(), 3u);
    {
        HistoryStore store(historyPath);
        store.record(made(ChartKind::Positions, now, 1.2520, {}));
    }
    view.reloadIfChanged();
    EXPECT_EQ(view.points().size(), 4u);
    EXPECT_FALSE(view.points()[3].buyShare);
}

}  // namespace
}  // namespace tivka::test
