#include "history/gui/heat_map_view.h"

#include <QDateTime>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <optional>

namespace tivka {

namespace {

constexpr int kLeftMargin = 64;
constexpr int kBottomMargin = 22;
constexpr int kTopMargin = 6;
constexpr int kRightMargin = 8;

QString timeText(std::int64_t instant)
{
    return QDateTime::fromSecsSinceEpoch(instant, Qt::UTC).toString(QStringLiteral("dd.MM HH:mm"));
}

double rowPrice(const HeatMap& map, double row)
{
    return map.lowPrice + (map.highPrice - map.lowPrice) * row / map.rows;
}

}  // namespace

QColor HeatColour(int percent, int largest)
{
    if (percent < 0)
        return QColor(236, 236, 236);
    const double share = std::clamp(double(percent) / std::max(largest, 1), 0.0, 1.0);
    // White through yellow and orange to dark red.
    return QColor::fromHsvF(0.16 * (1 - share), std::min(1.0, 0.1 + 1.6 * share), 1 - 0.55 * share * share);
}

HeatMapView::HeatMapView(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setMinimumSize(320, 200);
}

void HeatMapView::setMap(HeatMap map)
{
    map_ = std::move(map);
    scale_ = 1;
    for (const int cell : map_.cells)
        scale_ = std::max(scale_, cell);
    update();
}

QRect HeatMapView::plotArea() const
{
    return QRect(kLeftMargin, kTopMargin, std::max(1, width() - kLeftMargin - kRightMargin),
                 std::max(1, height() - kTopMargin - kBottomMargin));
}

QPoint HeatMapView::cellAt(QPoint point) const
{
    const QRect area = plotArea();
    if (!area.contains(point) || map_.columns == 0)
        return {-1, -1};
    const int column = (point.x() - area.left()) * map_.columns / area.width();
    const int row = (area.bottom() - point.y()) * map_.rows / area.height();
    return {std::clamp(column, 0, map_.columns - 1), std::clamp(row, 0, map_.rows - 1)};
}

QString HeatMapView::cellText(int column, int row) const
{
    const std::int64_t span = map_.to - map_.from;
    const std::int64_t start = map_.from + span * column / map_.columns;
    const std::int64_t end = map_.from + span * (column + 1) / map_.columns;
    const int cell = map_.at(column, row);
    const QString figure = cell < 0 ? QStringLiteral("нет данных") : QStringLiteral("%1%").arg(cell);
    const QString flag = map_.flagged[std::size_t(column)] ? QStringLiteral(" (разметка графика изменилась)") : QString();
    return QStringLiteral("%1 – %2 UTC, цена %3 – %4: %5%6")
        .arg(timeText(start), timeText(end), QString::number(rowPrice(map_, row), 'f', decimals_),
             QString::number(rowPrice(map_, row + 1), 'f', decimals_), figure, flag);
}

void HeatMapView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (map_.columns == 0)
        return;
    QImage cells(map_.columns, map_.rows, QImage::Format_RGB32);
    for (int row = 0; row < map_.rows; ++row)
        for (int column = 0; column < map_.columns; ++column)
            cells.setPixelColor(column, map_.rows - 1 - row, HeatColour(map_.at(column, row), scale_));
    const QRect area = plotArea();
    painter.drawImage(area, cells);
    // The price as a step line: across every column a reading holds, at its
    // price, joined to the next column's; broken only where no reading holds.
    painter.setPen(QPen(QColor(20, 70, 200), 2));
    const double priceSpan = map_.highPrice - map_.lowPrice;
    const auto xOf = [&](int column) { return area.left() + double(column) * area.width() / map_.columns; };
    QPointF previous;  // the right end of the last column drawn
    bool joined = false;  // whether the next column joins it
    for (int column = 0; column < map_.columns; ++column) {
        const std::optional<double>& price = map_.prices[std::size_t(column)];
        if (!price) {
            joined = false;
            continue;
        }
        const double y = area.bottom() - (*price - map_.lowPrice) / priceSpan * area.height();
        const QPointF left(xOf(column), y);
        if (joined)
            painter.drawLine(previous, left);
        previous = QPointF(xOf(column + 1), y);
        painter.drawLine(left, previous);
        joined = true;
    }
    // A column whose reading the layout guard flagged gets a red mark above
    // the map: its figures may be read off a changed chart.
    for (int column = 0; column < map_.columns; ++column)
        if (map_.flagged[std::size_t(column)])
            painter.fillRect(QRectF(xOf(column), area.top() - 6, std::max(1.0, xOf(column + 1) - xOf(column)), 5),
                             QColor(200, 30, 30));
    painter.setPen(palette().text().color());
    for (int tick = 0; tick <= 4; ++tick) {
        const int y = area.bottom() - tick * area.height() / 4;
        painter.drawText(QRect(0, y - 8, kLeftMargin - 4, 16), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(rowPrice(map_, tick * map_.rows / 4.0), 'f', decimals_));
    }
    painter.drawText(QRect(area.left(), area.bottom() + 3, area.width(), 16), Qt::AlignLeft, timeText(map_.from));
    painter.drawText(QRect(area.left(), area.bottom() + 3, area.width(), 16), Qt::AlignRight, timeText(map_.to));
}

void HeatMapView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint cell = cellAt(event->position().toPoint());
    if (describe)
        describe(cell.x() < 0 ? QString() : cellText(cell.x(), cell.y()));
}

void HeatMapView::leaveEvent(QEvent*)
{
    if (describe)
        describe(QString());
}

}  // namespace tivka
