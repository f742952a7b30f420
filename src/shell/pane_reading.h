#pragma once

#include <string>
#include <vector>

#include "chart/bitmap.h"
#include "chart/text_painter.h"
#include "export/pane_text.h"
#include "reading/digit_template.h"

namespace tivka {

// What reading a chart for its pane takes from the window's controls and the
// settings.
struct PaneInputs {
    std::string thresholdText = "50";  // the filter's percentage field
    bool atLeast = true;               // ">=", else "<="
    std::string pairText = "GBP/USD";  // the pair chosen
    ReadingOptions reading;
};

// One chart read for its pane: the reading and the pane lines made of it.
struct PaneReading {
    ShownChart shown;
    std::vector<std::string> paneLines;
};

// Reads `chart` for its pane and marks `view` as the window shows it. The
// threshold is converted first: a text that is not a whole number throws
// ConversionError before anything is read or drawn. A chart text that is not
// a number does not throw here: the reading then carries the failure and the
// pane lines up to it, and the caller shows those before it reports it.
PaneReading ReadForPane(ChartKind kind, const Bitmap& chart, Bitmap& view, const DigitTemplate& digits,
                        const PaneInputs& inputs, TextPainter& painter);

}  // namespace tivka
