#include "shell/gui/chart_canvas.h"

#include <QMouseEvent>
#include <QPainter>

#include "chart/gui/bitmap_image.h"

namespace tivka {

ChartCanvas::ChartCanvas(QWidget* parent)
    : QWidget(parent), canvas_(kWidth, kHeight, QImage::Format_RGB32)
{
    canvas_.fill(Qt::white);
    setFixedSize(kWidth, kHeight);
    setMouseTracking(true);
}

void ChartCanvas::drawView(const Bitmap& view, int x, int y)
{
    {
        QPainter painter(&canvas_);
        painter.drawImage(x, y, toQImage(view));
    }
    update();
}

void ChartCanvas::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, canvas_);
}

void ChartCanvas::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    emit mouseMoved(at.x(), at.y());
}

}  // namespace tivka
