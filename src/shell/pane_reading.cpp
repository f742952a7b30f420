#include "shell/pane_reading.h"

#include "acquisition/pair_naming.h"
#include "export/chart_marks.h"
#include "platform/conversions.h"

namespace tivka {

PaneReading ReadForPane(ChartKind kind, const Bitmap& chart, Bitmap& view, const DigitTemplate& digits,
                        const PaneInputs& inputs, TextPainter& painter)
{
    PaneReading pane;
    ShownChart& shown = pane.shown;
    shown.filter = PaneFilter{ParseInteger(inputs.thresholdText), inputs.atLeast, !inputs.atLeast};
    shown.decimals = DecimalsOfPairText(inputs.pairText);
    shown.reading = ReadChart(chart, digits, inputs.reading);
    pane.paneLines = PaneLines(kind, shown.reading, shown.filter, shown.decimals, inputs.reading.systemSeparator);
    DrawChartMarks(view, kind, shown.reading, painter);
    return pane;
}

}  // namespace tivka
