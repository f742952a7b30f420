// The "История" window's lines, heat map and figures for a known series. (That
// the main window keeps every refresh's readings and prunes old ones at
// start-up is in its threshold-field test.)
#include <QApplication>
#include <QChartView>
#include <QComboBox>
#include <QLineSeries>
#include <QPointer>
#include <QTest>
#include <QValueAxis>

#include "history/gui/heat_map_view.h"
#include "history/gui/history_window.h"
#include "history/history_store.h"
#include "history/readings.h"
#include "shell/gui/window_fixture.h"

namespace tivka::test {
namespace {

class HistoryWindowTest : public WindowTest {
protected:
    HistoryWindowTest() { historyPath = (dir / "data" / "history.sqlite3").string(); }
};

// The window only reads: opened before the writer has made the history it
// shows nothing and creates nothing, and fills once readings are kept. Over a
// day it shows the price and the buy share as lines, the figures of the
// reading under the mouse, and the orders as a heat map; over a week the
// lines break at a gap of days; a reading off a changed chart is a point of
// its own, with the checks it failed.
TEST_F(HistoryWindowTest, ShowsThePriceAndBuyShareOfTheSpanAndTheOrdersAsAHeatMap)
{
    const std::int64_t now = clock.instant;
    HistoryWindow view({historyPath, "GBP/USD", false, false}, clock);
    view.resize(800, 500);
    view.reloadIfChanged();
    EXPECT_TRUE(view.points().empty());
    EXPECT_FALSE(std::filesystem::exists(historyPath)) << "the window made the history";
    {
        HistoryStore store(historyPath);
        store.record(KnownReading(now - 3 * 86400, 1.2400, {{100, 74, 0}}));
        store.record(KnownReading(now - 3600, 1.2500, {{100, 74, 0}, {300, 0, 74}}));
        store.record(KnownReading(now - 1200, 1.2510, {{100, 74, 0}, {120, 37, 0}, {300, 0, 74}}));
        store.record(KnownReading(now - 1200, 1.2510, {{300, 0, 75}}, ChartKind::Orders));
    }
    view.reloadIfChanged();
    ASSERT_EQ(view.points().size(), 2u);  // one day: the reading of three days ago is outside
    const QList<QAbstractSeries*> lines = view.findChild<QChartView*>("trendChart")->chart()->series();
    ASSERT_EQ(lines.size(), 3);  // the price, the buy share and the readings flagged by the layout guard
    EXPECT_EQ(static_cast<QLineSeries*>(lines[0])->at(0), QPointF(double(now - 3600) * 1000, 1.25));
    EXPECT_EQ(static_cast<QLineSeries*>(lines[1])->at(1), QPointF(double(now - 1200) * 1000, 60.0));
    EXPECT_EQ(view.readingText(now - 1000), "07.12.2026 12:10 UTC (график 12:30): цена 1.2510, позиции: Buy 60.0 %, "
                                            "Sell 40.0 % (суммы полос 150 : 100)");
    const HeatMap& map = view.findChild<HeatMapView*>("heatMap")->map();
    EXPECT_EQ(*std::max_element(map.cells.begin(), map.cells.end()), 101);  // the wall of sell orders at column 300

    view.findChild<QComboBox*>("spanBox")->setCurrentIndex(1);  // one week
    EXPECT_EQ(view.points().size(), 3u);
    const QList<QAbstractSeries*> runs = view.findChild<QChartView*>("trendChart")->chart()->series();
    ASSERT_EQ(runs.size(), 5) << "three days without readings: each line in two runs, no line across the gap";
    EXPECT_EQ(static_cast<QLineSeries*>(runs[0])->count(), 1);
    EXPECT_EQ(static_cast<QLineSeries*>(runs[3])->count(), 2);
    EXPECT_EQ(static_cast<QXYSeries*>(runs[2])->count(), 0);
    StoredReading changed = KnownReading(now, 1.2520, {});
    changed.failedChecks = LayoutChecks(1u << unsigned(LayoutCheck::BarsPresent));
    HistoryStore(historyPath).record(changed);
    view.reloadIfChanged();
    ASSERT_EQ(view.points().size(), 4u);
    EXPECT_FALSE(view.points()[3].buyShare);
    const QList<QAbstractSeries*> after = view.findChild<QChartView*>("trendChart")->chart()->series();
    EXPECT_EQ(static_cast<QXYSeries*>(after[2])->at(0), QPointF(double(now) * 1000, 1.252));
    EXPECT_EQ(static_cast<QLineSeries*>(after[3])->count(), 2) << "the flagged reading joins no line";
    EXPECT_THAT(view.readingText(now).toStdString(), ::testing::HasSubstr("позиций нет; "));
}

// Prices carry the pair's decimals; Escape closes the window.
TEST_F(HistoryWindowTest, PricesHaveThePairsDecimalsAndEscapeCloses)
{
    const std::pair<const char*, const char*> pairs[] = {{"USD/JPY", "%.2f"}, {"EUR/USD", "%.4f"}};
    for (const auto& [pair, format] : pairs) {
        QPointer<HistoryWindow> view = new HistoryWindow({historyPath, pair, false, false}, clock);
        auto* axis = static_cast<QValueAxis*>(
            view->findChild<QChartView*>("trendChart")->chart()->axes(Qt::Vertical).front());
        EXPECT_EQ(axis->labelFormat(), QString::fromLatin1(format)) << pair;
        view->show();
        view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : view.data(), Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(view.isNull()) << pair << ": closed (and so deleted)";
        delete view.data();
    }
}

}  // namespace
}  // namespace tivka::test
