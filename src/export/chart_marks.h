#pragma once

#include "chart/bitmap.h"
#include "chart/text_painter.h"
#include "export/pane_text.h"
#include "reading/chart_reading.h"

namespace tivka {

// Marks a chart's turned view as the window shows it: every scale label read
// is written again beside the axis (followed by one blank, so a column with
// ink but no recognised character draws a lone blank), and, when the reading
// got past the scale, the four group captions ("Buy limit" at the bottom of
// the lower prices' buy side, ...). 8-point text, black on white.
void DrawChartMarks(Bitmap& view, ChartKind kind, const ChartReading& reading, TextPainter& painter);

}  // namespace tivka
