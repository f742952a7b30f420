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

// What one drawing of a half must leave: the view at its place, the hair line
// inverted from its start to one before its end, the two texts.
void drawExpected(QImage& canvas, const Bitmap& view, int viewLeft, int y, int lineStart, int lineEnd,
                  int priceLeft, QPoint readoutAt, const QString& price, const QString& line, const QFont& font)
{
    {
        QPainter painter(&canvas);
        painter.drawImage(viewLeft, 0, toQImage(view));
    }
    for (int x = lineStart; x < lineEnd; ++x)
        canvas.setPixel(x, y, canvas.pixel(x, y) ^ 0xFFFFFFu);
    DrawCanvasText(canvas, priceLeft, y - 5, price, font);
    DrawCanvasText(canvas, readoutAt.x(), readoutAt.y(), line, font);
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

    QImage expectPositions(QImage from, int y, const char* price, const char* line)
    {
        drawExpected(from, positionsView, 0, y, 45, 197, 200, QPoint(60, 510), price, line, readout.font());
        return from;
    }
    QImage expectOrders(QImage from, int y, const char* price, const char* line)
    {
        drawExpected(from, ordersView, 258, y, 303, 455, 458, QPoint(318, 510), price, line, readout.font());
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

// The whole canvas is compared each time: the other half keeps its marks,
// the gap between the halves is never touched, and a half drawn again wipes
// its earlier line.
TEST_F(CursorReadoutTest, ZonesPickTheHalfAndTheColumn)
{
    const QImage before = canvas;
    EXPECT_TRUE(move(100, 96));  // column 434
    EXPECT_EQ(canvas, expectPositions(before, 96, "1.2345", "1.2345 : Buy-12%  Sell-8%"));

    const QImage beforeOrders = canvas;
    EXPECT_TRUE(move(400, 455));  // column 75
    EXPECT_EQ(canvas, expectOrders(beforeOrders, 455, "109.88", "109.88 : Buy-4%  Sell-41%"));

    const QImage beforeAgain = canvas;
    EXPECT_TRUE(move(255, 275, true, ","));  // column 255, the current price
    EXPECT_EQ(canvas, expectPositions(beforeAgain, 275, "1,3000", "1,3000 : Buy-0%  Sell-0%"));
}

TEST_F(CursorReadoutTest, OutsideBothZonesOrBeforeLoadingNothingIsDrawn)
{
    window.setCursor(Qt::IBeamCursor);
    const QImage before = canvas;
    EXPECT_FALSE(move(100, 200, false));
    EXPECT_EQ(window.cursor().shape(), Qt::IBeamCursor);
    for (QPoint p : {QPoint(100, 95), QPoint(100, 456), QPoint(400, 95), QPoint(400, 456), QPoint(256, 200),
                     QPoint(256, 96), QPoint(10, 0), QPoint(500, 531)})
        EXPECT_FALSE(move(p.x(), p.y())) << p.x() << "," << p.y();
    EXPECT_EQ(canvas, before);
    // Over a chart the pointer is a crosshair until it leaves the picture.
    ASSERT_TRUE(move(100, 200));
    EXPECT_FALSE(move(100, 20));
    EXPECT_EQ(window.cursor().shape(), Qt::CrossCursor);
    readout.pointerLeft();
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
}

}  // namespace
}  // namespace tivka
