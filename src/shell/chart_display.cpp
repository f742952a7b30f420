#include "shell/chart_display.h"

#include "acquisition/pair_naming.h"
#include "export/chart_marks.h"
#include "platform/conversions.h"

namespace tivka {

DisplayedChart ReadForDisplay(ChartKind kind, const Bitmap& chart, Bitmap& view, const DigitTemplate& digits,
                              const DisplayInputs& inputs, TextPainter& painter)
{
    DisplayedChart displayed;
    ShownChart& shown = displayed.shown;
    shown.filter = PaneFilter{ParseInteger(inputs.thresholdText), inputs.atLeast, inputs.atMost};
    shown.decimals = DecimalsOfPairText(inputs.pairText);
    shown.reading = ReadChart(chart, digits, inputs.reading);
    displayed.paneLines =
        PaneLines(kind, shown.reading, shown.filter, shown.decimals, inputs.reading.systemSeparator);
    DrawChartMarks(view, kind, shown.reading, painter);
    return displayed;
}

}  // namespace tivka
