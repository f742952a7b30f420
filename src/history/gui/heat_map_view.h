#pragma once

#include <QWidget>
#include <functional>

#include "history/history_figures.h"

namespace tivka {

// The orders chart over time: time across, price up, each cell's bar
// percentage as a colour from pale (small) to dark red (a wall), grey where
// the data have a gap, the current price as a blue line over every column a
// reading holds. Hovering tells the cell's time, prices and figure
// through `describe`. Owns a copy of the map it shows.
class HeatMapView final : public QWidget {
    Q_OBJECT
public:
    explicit HeatMapView(QWidget* parent = nullptr);
    void setMap(HeatMap map);
    // The decimals prices are shown with (the pair's).
    void setDecimals(int decimals) { decimals_ = decimals; update(); }
    const HeatMap& map() const { return map_; }
    // Called with the text for the cell under the mouse (empty when it left).
    std::function<void(const QString&)> describe;
    // The text for a cell: its time band, price band and percentage.
    QString cellText(int column, int row) const;
    // The cell under a point of the widget, or (-1, -1).
    QPoint cellAt(QPoint point) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QRect plotArea() const;
    HeatMap map_;
    int scale_ = 101;  // the largest figure, for the colours
    int decimals_ = 4;
};

// The colour of a bar percentage against the largest shown; light grey for
// -1 (no reading).
QColor HeatColour(int percent, int largest);

}  // namespace tivka
