#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "history/history_figures.h"

class QComboBox;
class QPointF;
class QLabel;
class QLineSeries;
class QScatterSeries;
class QChart;
class QTabWidget;
class QTimer;
class QValueAxis;
class QDateTimeAxis;

namespace tivka {

class Clock;
class HeatMapView;
class HistoryStore;

// Which history the window shows.
struct HistoryView {
    std::string databasePath;
    std::string pairText;
    bool ordersCumulative = false;
    bool positionsCumulative = false;
};

// "История": the price and the positions' buy share over a span as two
// lines, broken where the data have a gap, and the orders chart as a heat
// map, for one pair; prices with the pair's decimals. It reads the history
// through a connection of its own and looks for new readings every few
// seconds (and when told), so it fills while the refreshes run. Escape
// closes it.
//
// Object names: "spanBox", "historyTabs", "trendChart", "heatMap",
// "readingLine" (the figures of the reading under the mouse).
class HistoryWindow final : public QWidget {
    Q_OBJECT
public:
    // Reads the database without writing to it; one not made yet is looked
    // for at every poll. Throws HistoryError when the database is there but
    // cannot be read. `clock` must outlive the window.
    HistoryWindow(HistoryView view, const Clock& clock, QWidget* parent = nullptr);
    ~HistoryWindow() override;

    // Reads the span again (new readings, another span chosen).
    void reload();
    // Reloads only when another connection has committed since the last look.
    void reloadIfChanged();

    const std::vector<TrendPoint>& points() const { return points_; }
    // The line of figures for the reading nearest `instant`.
    QString readingText(std::int64_t instant) const;

private:
    bool storeOpen();
    void buildControls();
    void showTrend();
    QLineSeries* addSegment(QLineSeries* model, QValueAxis* axis);
    void lineHovered(const QPointF& point, bool state);
    void showHeatMap(const std::vector<StoredReading>& orders, std::int64_t from, std::int64_t to);

    HistoryView view_;
    const Clock& clock_;
    std::unique_ptr<HistoryStore> store_;
    std::int64_t seenVersion_ = -1;
    std::vector<TrendPoint> points_;
    QComboBox* spanBox_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QChart* chart_ = nullptr;
    QLineSeries* priceLine_ = nullptr;  // the first run of each line, named in the legend
    QLineSeries* shareLine_ = nullptr;
    std::vector<QLineSeries*> segments_;  // the runs after a gap
    QScatterSeries* flagged_ = nullptr;    // readings the layout guard flagged, at their price
    int decimals_ = 4;
    QDateTimeAxis* timeAxis_ = nullptr;
    QValueAxis* priceAxis_ = nullptr;
    QValueAxis* shareAxis_ = nullptr;
    HeatMapView* heatMap_ = nullptr;
    QLabel* readingLine_ = nullptr;
    QTimer* poll_ = nullptr;
};

}  // namespace tivka
