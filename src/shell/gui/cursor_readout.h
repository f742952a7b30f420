#pragma once

#include <QFont>
#include <QImage>
#include <QWidget>
#include <string>

#include "chart/bitmap.h"
#include "chart/chart_geometry.h"
#include "export/pane_text.h"

namespace tivka {

// The chart column under pointer row `y` of the picture (75 at row 455, 434
// at row 96).
constexpr int ReadoutColumn(int y) { return geometry::kViewColumnBase - y; }

// The readout under the pointer on the chart picture (positions chart on the
// left half, orders chart on the right half). It reads only the stored
// readings and draws onto the canvas, where its marks stay until that half
// is drawn again.
class CursorReadout {
public:
    // `canvas` is the chart picture (514 x 532, Format_RGB32); `window` is the
    // main window, whose pointer shape the readout sets.
    CursorReadout(QImage& canvas, QWidget& window);

    // The font of the two texts: the toolkit's sans font at 8 points unless
    // set otherwise.
    const QFont& font() const { return font_; }
    void setFont(const QFont& font) { font_ = font; }

    // Pointer at (x, y) on the picture. Draws nothing unless `views` holds
    // the charts' views and the pointer is inside one half (x < 256
    // positions, x > 256 orders, y 96 to 455). Otherwise redraws that half's
    // view, sets the crosshair, inverts the hair line on row y and draws the
    // price beside it and the readout line at the foot. Returns true when it
    // drew, so the caller repaints.
    bool pointerMoved(int x, int y, const PerChart<Bitmap>* views, const PerChart<ShownChart>& shown,
                      const std::string& systemSeparator);

    // The pointer left the window or a control on it: the arrow again.
    void pointerLeft();

private:
    QImage& canvas_;
    QWidget& window_;
    QFont font_;
};

}  // namespace tivka
