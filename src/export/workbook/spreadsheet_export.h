#pragma once

#include <functional>
#include <string>

#include "export/pane_text.h"
#include "export/workbook/workbook_cells.h"
#include "reading/chart_reading.h"

namespace tivka {

// What the spreadsheet export needs from the window.
struct SpreadsheetExportHooks {
    std::function<void()> processEvents;           // let pending window events through
    std::function<void(bool)> showBanner;          // "Передача в данных в Exel"
    std::function<bool()> chartsLoaded;
    std::function<std::string()> ordersTime;       // the orders chart's time as last read
    // Reads the chart of that kind again, refilling its pane and its view as
    // "Расчет" does. Throws ConversionError for a threshold that is not a
    // whole number, before anything is shown.
    std::function<ShownChart(ChartKind)> showChart;
    // Writes the finished sheet as a new workbook and opens it; returns its path.
    std::function<std::string(const Worksheet&)> writeWorkbook;
};

// The "Exel" menu entry: a new workbook named after the orders chart's time
// as last read. With charts loaded, both charts are read again
// (orders first) and each writes its block into the sheet; then the banner
// goes and the workbook is written and opened.
//
// When a step fails (a threshold or a chart text that is not a number), the
// cells written so far stay: the banner is hidden and the partly filled
// workbook is still written and opened, then the original error is rethrown
// for the window's general error report. A second failure while writing is
// dropped in favour of the first error.
void ExportToSpreadsheet(const std::string& systemSeparator,
                         const SpreadsheetExportHooks& hooks);

}  // namespace tivka
