#pragma once

#include <cstdint>
#include <optional>

#include "acquisition/display_charts.h"
#include "export/spreadsheet_transfer.h"
#include "export/update_pass.h"
#include "reading/chart_reader.h"
#include "reading/digit_template.h"
#include "reading/level_records.h"
#include "shell/settings.h"

namespace tivka {

// Everything the program keeps between window messages, once per process.
// The main window owns the one instance and hands parts of it to whoever
// needs them; nothing else holds program-wide state.
struct ProgramState {
    Settings settings;
    DigitTemplate digits;  // "ndata.bmp", loaded at start-up

    // The four working bitmaps of the last successful fetch. They are created
    // and released together, so their presence is ImagesLoaded.
    std::optional<WorkingBitmaps> images;
    bool ImagesLoaded() const { return images.has_value(); }

    // What the on-screen readers found (OrdersNow, OrdersLevels, PriceDigits...
    // and the Positions counterparts), read by the cursor readout and the
    // spreadsheet transfer until the next reading.
    ChartResults orders;
    ChartResults positions;
    GlyphWindows windowSet1;

    IndicatorState indicator;  // the indicator pass's own tables

    std::int32_t MinuteFired = 0;
    bool WindowShown = true;

    // ExcelApp, ExcelSheet and the readers' side channel (ExcelExport, ExcelRow).
    SpreadsheetState spreadsheet;
};

}  // namespace tivka
