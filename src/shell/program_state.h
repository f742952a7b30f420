#pragma once

#include <optional>
#include <string>

#include "chart/bitmap.h"
#include "export/indicator_pass.h"
#include "export/pane_text.h"
#include "reading/digit_template.h"
#include "shell/settings.h"

namespace tivka {

// The two charts of the last successful display fetch and the same turned a
// quarter turn counter-clockwise as the window shows them; made together and
// replaced together.
struct DisplayCharts {
    PerChart<Bitmap> charts;
    PerChart<Bitmap> views;
};

// Everything the program keeps between window messages, once per process.
// The main window owns the one instance and hands parts of it to whoever
// needs them; nothing else holds program-wide state.
struct ProgramState {
    Settings settings;
    DigitTemplate digits;  // "ndata.bmp", loaded at start-up

    // Empty before the first successful fetch; a refresh replaces them only
    // once it has new ones.
    std::optional<DisplayCharts> charts;
    bool chartsLoaded() const { return charts.has_value(); }

    // The last complete reading of each chart shown, read by the cursor
    // readout until the next one.
    PerChart<ShownChart> shown;
    // The orders chart's time as last read, which names the next workbook.
    std::string ordersTime;
    // The pair of the charts shown (empty before the first).
    std::string shownPair;

    IndicatorPass indicators;

    // True while the window is shown, false while it sits in the tray.
    bool windowShown = true;
};

}  // namespace tivka
