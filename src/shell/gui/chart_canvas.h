#pragma once

#include <QImage>
#include <QWidget>

#include "chart/bitmap.h"
#include "chart/chart_geometry.h"

namespace tivka {

// The chart picture, 514 x 532: both charts turned upright side by side,
// shown unscaled so that a pointer position is also a canvas position. The
// canvas starts white.
class ChartCanvas final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = geometry::kPictureWidth;
    static constexpr int kHeight = geometry::kPictureHeight;

    explicit ChartCanvas(QWidget* parent = nullptr);

    QImage& canvas() { return canvas_; }
    const QImage& canvas() const { return canvas_; }

    // Draws `view` with its top-left corner at (x, y), clipped to the canvas.
    void drawView(const Bitmap& view, int x, int y);

signals:
    void mouseMoved(int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QImage canvas_;
};

}  // namespace tivka
