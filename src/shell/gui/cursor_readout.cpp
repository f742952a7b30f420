#include "shell/gui/cursor_readout.h"

#include <QFontMetrics>
#include <QPainter>

#include "chart/gui/bitmap_image.h"
#include "chart/gui/qt_text_painter.h"

namespace tivka {
namespace {

constexpr int kHalfBorder = 256;
// Rows 96 to 455 show the columns 434 down to 75.
constexpr int kTopRow = geometry::kViewColumnBase - (geometry::kLastLevelColumn - 1);
constexpr int kBottomRow = geometry::kViewColumnBase - geometry::kFirstLevelColumn;

// Where one half puts its marks on the picture.
struct HalfPlacement {
    int viewLeft;
    int lineStart;
    int lineEnd;  // not drawn
    int priceLeft;
    QPoint readoutAt;
};

constexpr HalfPlacement kPositionsHalf{geometry::kPositionsViewLeft, 45, 197, 200, QPoint(60, 510)};
constexpr HalfPlacement kOrdersHalf{geometry::kOrdersViewLeft, 303, 455, 458, QPoint(318, 510)};

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

CursorReadout::CursorReadout(QImage& canvas, QWidget& window)
    : canvas_(canvas), window_(window), font_(defaultReadoutFont())
{
}

bool CursorReadout::pointerMoved(int x, int y, const PerChart<Bitmap>* views, const PerChart<ShownChart>& shown,
                                 const std::string& systemSeparator)
{
    if (!views || x == kHalfBorder || y < kTopRow || y > kBottomRow)
        return false;
    const ChartKind kind = x > kHalfBorder ? ChartKind::Orders : ChartKind::Positions;
    const HalfPlacement& place = kind == ChartKind::Orders ? kOrdersHalf : kPositionsHalf;
    {
        QPainter painter(&canvas_);
        painter.drawImage(place.viewLeft, 0, toQImage((*views)[kind]));
    }
    window_.setCursor(Qt::CrossCursor);
    invertRow(canvas_, y, place.lineStart, place.lineEnd);

    const ShownChart& chart = shown[kind];
    const ReadoutText text = ReadoutTexts(chart.reading, chart.decimals, ReadoutColumn(y), systemSeparator);
    DrawCanvasText(canvas_, place.priceLeft, y - 5, QString::fromStdString(text.price), font_);
    DrawCanvasText(canvas_, place.readoutAt.x(), place.readoutAt.y(), QString::fromStdString(text.line), font_);
    return true;
}

void CursorReadout::pointerLeft()
{
    window_.setCursor(Qt::ArrowCursor);
}

}  // namespace tivka
