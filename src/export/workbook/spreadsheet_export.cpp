#include "export/workbook/spreadsheet_export.h"

namespace tivka {

namespace {

void fillSheet(Worksheet& sheet, const std::string& systemSeparator, const SpreadsheetExportHooks& hooks)
{
    int row = 1;
    for (ChartKind kind : {ChartKind::Orders, ChartKind::Positions}) {
        const ShownChart shown = hooks.showChart(kind);
        PutChartBlock(sheet, row, kind, shown.reading, shown.filter, shown.decimals, systemSeparator);
        shown.reading.throwIfFailed();
    }
}

// Lets the partial workbook through after an error; the first error is the
// one the user needs to see.
void finishAfterError(const Worksheet& sheet, const SpreadsheetExportHooks& hooks, bool bannerShown)
{
    try {
        if (bannerShown)
            hooks.showBanner(false);
        hooks.writeWorkbook(sheet);
    } catch (...) {
    }
}

}  // namespace

void ExportToSpreadsheet(const std::string& systemSeparator, const SpreadsheetExportHooks& hooks)
{
    Worksheet sheet;
    bool bannerShown = false;
    try {
        hooks.processEvents();
        sheet.name = WorkbookSheetName(hooks.ordersTime());
        hooks.showBanner(true);
        bannerShown = true;
        hooks.processEvents();
        if (hooks.chartsLoaded())
            fillSheet(sheet, systemSeparator, hooks);
        hooks.showBanner(false);
        bannerShown = false;
    } catch (...) {
        finishAfterError(sheet, hooks, bannerShown);
        throw;
    }
    hooks.writeWorkbook(sheet);
}

}  // namespace tivka
