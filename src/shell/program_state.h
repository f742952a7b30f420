#pragma once

#include <optional>

#include "acquisition/display_charts.h"
#include "export/indicator_pass.h"
#include "export/pane_text.h"
#include "reading/digit_template.h"
#include "shell/settings.h"

namespace tivka {

// Everything the program keeps between window messages, once per process.
// The main window owns the one instance and hands parts of it to whoever
// needs them; nothing else holds program-wide state.
struct ProgramState {
    Settings settings;
    DigitTemplate digits;  // "ndata.bmp", loaded at start-up

    // The two charts of the last successful fetch and their turned views,
    // replaced together; empty before the first and from the start of every
    // refresh until its charts are decoded.
    std::optional<DisplayCharts> charts;
    bool chartsLoaded() const { return charts.has_value(); }

    // The last complete reading of each chart shown, read by the cursor
    // readout until the next one.
    ShownChart orders;
    ShownChart positions;
    // The orders chart's time as last read, which names the next workbook.
    std::string ordersTime;
    // The pair of the charts shown (empty before the first).
    std::string shownPair;

    IndicatorServer indicators;

    // True while the window is shown, false while it sits in the tray.
    bool windowShown = true;
};

}  // namespace tivka
