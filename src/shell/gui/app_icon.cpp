#include "shell/gui/app_icon.h"

#include <QPainter>
#include <QPixmap>

namespace tivka {
namespace {

QPixmap drawIcon(int side)
{
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const double unit = side / 16.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(245, 245, 235));
    painter.drawRoundedRect(QRectF(0, 0, side, side), 2 * unit, 2 * unit);
    // Buy bars grow left of the price axis, sell bars right of it.
    const int buy[] = {3, 5, 7, 4, 2};
    const int sell[] = {2, 4, 6, 5, 3};
    for (int row = 0; row < 5; ++row) {
        const double y = (2 + row * 2.6) * unit;
        painter.setBrush(QColor(20, 70, 200));
        painter.drawRect(QRectF((8 - buy[row]) * unit, y, buy[row] * unit, 2 * unit));
        painter.setBrush(QColor(200, 30, 30));
        painter.drawRect(QRectF(8 * unit, y, sell[row] * unit, 2 * unit));
    }
    painter.setBrush(Qt::black);
    painter.drawRect(QRectF(7.6 * unit, 1 * unit, 0.9 * unit, 14 * unit));
    return pixmap;
}

}  // namespace

QIcon TivkaIcon()
{
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64})
        icon.addPixmap(drawIcon(side));
    return icon;
}

}  // namespace tivka
