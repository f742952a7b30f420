#pragma once

#include "platform/gui/qt_text_painter.h"

#include <QFont>
#include <QImage>
#include <QString>
#include <QWidget>
#include <string>

#include "acquisition/bitmap.h"
#include "reading/level_records.h"

namespace tivka {

// The two texts of the readout for one chart column: the price of the level
// in fixed notation with the chart's decimals and the system's separator, and
// the line "<price> : Buy-<b>%  Sell-<s>%".
struct ReadoutText {
    std::string price;
    std::string line;
};
ReadoutText ReadoutTexts(const ChartResults& results, int column, const std::string& systemSeparator);

// The chart column under pointer row `y`: 530 - y (75 at row 455, 434 at 96).
constexpr int ReadoutColumn(int y) { return 530 - y; }

// The readout under the pointer on Image1 (positions chart on the left half,
// orders chart on the right half). It reads only the stored results and
// draws onto the canvas, where its marks stay until that half is drawn again.
class CursorReadout {
public:
    // `canvas` is Image1's picture (514 x 532, Format_RGB32); `window` is the
    // main window, whose pointer shape the readout sets.
    CursorReadout(QImage& canvas, QWidget& window);

    // The font of the two texts: the toolkit's sans font at 8 points unless
    // set otherwise.
    const QFont& font() const { return font_; }
    void setFont(const QFont& font) { font_ = font; }

    // Pointer at (X, Y) on Image1. Draws nothing unless imagesLoaded and the
    // pointer is inside one half (X < 256 positions, X > 256 orders, Y 96 to
    // 455). Otherwise redraws that half's view, sets the crosshair, inverts
    // the hair line on row Y and draws the price beside it and the readout
    // line at the foot. Returns true when it drew, so the caller repaints.
    bool Image1MouseMove(int X, int Y, bool imagesLoaded, const Bitmap& ordersView, const Bitmap& positionsView,
                         const ChartResults& orders, const ChartResults& positions,
                         const std::string& systemSeparator);

    // The pointer left the window or a control on it: the arrow again.
    void CMMouseLeave();

private:
    QImage& canvas_;
    QWidget& window_;
    QFont font_;
};

}  // namespace tivka
