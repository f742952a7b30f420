#include "export/chart_marks.h"

#include <array>

namespace tivka {

namespace {

constexpr int kFontSize = 8;
// A label whose first inked column is x is written at view column 200,
// its top on view row 521 - x, nine rows above the row of that column.
constexpr int kLabelMarkLeft = 200;
constexpr int kLabelMarkTop = geometry::kViewColumnBase - 9;

struct Caption {
    const char* text;
    int x;
    int y;
};

// In group order; the lower prices' captions sit near the bottom (row 488),
// the higher prices' near the top (row 45).
constexpr std::array<Caption, 4> kOrdersCaptions = {
    {{"Buy limit", 60, 488}, {"Buy stop", 60, 45}, {"Sell stop", 140, 488}, {"Sell limit", 142, 45}}};
constexpr std::array<Caption, 4> kPositionsCaptions = {
    {{"Buy +    ", 60, 488}, {"Buy -   ", 60, 45}, {" Sell -   ", 145, 488}, {" Sell +   ", 145, 45}}};

}  // namespace

void DrawChartMarks(Bitmap& view, ChartKind kind, const ChartReading& reading, TextPainter& painter)
{
    for (const LabelInk& label : reading.labelInk)
        painter.drawText(view, kLabelMarkLeft, kLabelMarkTop - label.column, kFontSize, label.text + " ");
    if (!reading.complete())
        return;
    for (const Caption& caption : kind == ChartKind::Orders ? kOrdersCaptions : kPositionsCaptions)
        painter.drawText(view, caption.x, caption.y, kFontSize, caption.text);
}

}  // namespace tivka
