#include "reading/gui/cursor_readout.h"

#include <QFontMetrics>
#include <QPainter>

#include "platform/gui/bitmap_image.h"
#include "platform/number_format.h"

namespace tivka {
namespace {

constexpr int kHalfBorder = 256;
constexpr int kTopRow = 96;
constexpr int kBottomRow = 455;
constexpr int kPriceSignificantDigits = 6;

// Where one half puts its marks on Image1.
struct HalfPlacement {
    int viewLeft;
    int lineStart;
    int lineEnd;  // not drawn
    int priceLeft;
    QPoint readoutAt;
};

constexpr HalfPlacement kPositionsHalf{0, 45, 197, 200, QPoint(60, 510)};
constexpr HalfPlacement kOrdersHalf{258, 303, 455, 458, QPoint(318, 510)};

// The white XOR pen: every pixel from start to end - 1 gets its colour inverted.
void invertRow(QImage& canvas, int y, int start, int end)
{
    for (int x = start; x < end; ++x)
        if (canvas.valid(x, y))
            canvas.setPixel(x, y, canvas.pixel(x, y) ^ 0x00FFFFFFu);
}

QFont defaultReadoutFont()
{
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

}  // namespace

ReadoutText ReadoutTexts(const ChartResults& results, int column, const std::string& systemSeparator)
{
    const LevelRow& level = results.Levels[column];
    ReadoutText text;
    text.price = FormatPrice(level.Price, results.Digits, kPriceSignificantDigits, systemSeparator);
    text.line = text.price + " : Buy-" + std::to_string(level.BuyPercent) + "%  Sell-" +
                std::to_string(level.SellPercent) + "%";
    return text;
}

CursorReadout::CursorReadout(QImage& canvas, QWidget& window)
    : canvas_(canvas), window_(window), font_(defaultReadoutFont())
{
}

bool CursorReadout::Image1MouseMove(int X, int Y, bool imagesLoaded, const Bitmap& ordersView,
                                    const Bitmap& positionsView, const ChartResults& orders,
                                    const ChartResults& positions, const std::string& systemSeparator)
{
    if (!imagesLoaded || X == kHalfBorder || Y < kTopRow || Y > kBottomRow)
        return false;
    const bool ordersHalf = X > kHalfBorder;
    const HalfPlacement& place = ordersHalf ? kOrdersHalf : kPositionsHalf;
    {
        QPainter painter(&canvas_);
        painter.drawImage(place.viewLeft, 0, toQImage(ordersHalf ? ordersView : positionsView));
    }
    window_.setCursor(Qt::CrossCursor);
    invertRow(canvas_, Y, place.lineStart, place.lineEnd);

    const ReadoutText text = ReadoutTexts(ordersHalf ? orders : positions, ReadoutColumn(Y), systemSeparator);
    DrawCanvasText(canvas_, place.priceLeft, Y - 5, QString::fromStdString(text.price), font_);
    DrawCanvasText(canvas_, place.readoutAt.x(), place.readoutAt.y(), QString::fromStdString(text.line), font_);
    return true;
}

void CursorReadout::CMMouseLeave()
{
    window_.setCursor(Qt::ArrowCursor);
}

}  // namespace tivka
