#include "shell/gui/cursor_readout.h"

#include <QPainter>
#include <QWidget>
#include <gtest/gtest.h>

#include "chart/gui/bitmap_image.h"
#include "chart/gui/qt_text_painter.h"

namespace tivka {
namespace {

constexpr QRgb kBackground = 0xFF405060u;

// A view whose every pixel differs from its neighbours, so that a misplaced
// drawing or inversion shows.
Bitmap patternedView(int seed)
{
    Bitmap view(256, 532);
    for (int y = 0; y < view.height(); ++y)
        for (int x = 0; x < view.width(); ++x)
            view.setPixel(x, y, rgb(std::uint8_t(x + seed), std::uint8_t(y * 3), std::uint8_t(x ^ y)));
    return view;
}

class CursorReadoutTest : public ::testing::Test {
protected:
    CursorReadoutTest()
    {
        canvas.fill(kBackground);
        orders.decimals = 2;
        positions.decimals = 4;
        positions.reading.level(434) = {1.2345, 9, 6};
        positions.reading.level(255) = {1.3, 0, 0};
        orders.reading.level(75) = {109.875, 3, 31};
    }

    bool move(int x, int y, bool loaded = true, const std::string& separator = ".")
    {
        const PerChart<Bitmap> views{{ordersView, positionsView}};
        return readout.pointerMoved(x, y, loaded ? &views : nullptr, PerChart<ShownChart>{{orders, positions}},
                                    separator);
    }

    // What one drawing of a half must leave on `from`: the view at its place,
    // the hair line inverted from its start to one before its end, the price
    // beside it and the readout line at the foot.
    QImage expected(QImage from, bool ordersHalf, int y, const char* price, const char* line)
    {
        const int left = ordersHalf ? 258 : 0;
        {
            QPainter painter(&from);
            painter.drawImage(left, 0, toQImage(ordersHalf ? ordersView : positionsView));
        }
        for (int x = left + 45; x < left + 197; ++x)
            from.setPixel(x, y, from.pixel(x, y) ^ 0xFFFFFFu);
        DrawCanvasText(from, left + 200, y - 5, QString::fromLatin1(price), readout.font());
        DrawCanvasText(from, left + 60, 510, QString::fromLatin1(line), readout.font());
        return from;
    }

    QImage canvas{514, 532, QImage::Format_RGB32};
    QWidget window;
    CursorReadout readout{canvas, window};
    Bitmap ordersView = patternedView(17);
    Bitmap positionsView = patternedView(91);
    ShownChart orders;
    ShownChart positions;
};

// The row under the pointer picks the column, its side of the picture the
// chart. The whole canvas is compared each time: the other half keeps its
// marks, the gap between the halves is never touched, and a half drawn again
// wipes its earlier line. Outside both charts' rows, on the gap, or before
// charts are loaded nothing is drawn; over a chart the pointer is a crosshair
// until it leaves the picture.
TEST_F(CursorReadoutTest, ThePointersRowAndHalfPickTheFiguresShown)
{
    window.setCursor(Qt::IBeamCursor);
    const QImage blank = canvas;
    EXPECT_FALSE(move(100, 200, false));
    EXPECT_EQ(window.cursor().shape(), Qt::IBeamCursor);
    for (QPoint p : {QPoint(100, 95), QPoint(100, 456), QPoint(400, 95), QPoint(400, 456), QPoint(256, 200),
                     QPoint(256, 96), QPoint(10, 0), QPoint(500, 531)})
        EXPECT_FALSE(move(p.x(), p.y())) << p.x() << "," << p.y();
    EXPECT_EQ(canvas, blank);

    EXPECT_TRUE(move(100, 96));  // column 434
    EXPECT_EQ(canvas, expected(blank, false, 96, "1.2345", "1.2345 : Buy-12%  Sell-8%"));
    EXPECT_EQ(window.cursor().shape(), Qt::CrossCursor);
    const QImage beforeOrders = canvas;
    EXPECT_TRUE(move(400, 455));  // column 75
    EXPECT_EQ(canvas, expected(beforeOrders, true, 455, "109.88", "109.88 : Buy-4%  Sell-41%"));
    const QImage beforeAgain = canvas;
    EXPECT_TRUE(move(255, 275, true, ","));  // column 255, the current price
    EXPECT_EQ(canvas, expected(beforeAgain, false, 275, "1,3000", "1,3000 : Buy-0%  Sell-0%"));

    EXPECT_FALSE(move(100, 20));
    EXPECT_EQ(window.cursor().shape(), Qt::CrossCursor);
    readout.pointerLeft();
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
}

}  // namespace
}  // namespace tivka
