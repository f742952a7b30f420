#pragma once

#include <functional>
#include <string>

#include "platform/automation.h"
#include "reading/chart_reader.h"

namespace tivka {

// What the spreadsheet transfer needs from the window.
struct SpreadsheetTransferHooks {
    std::function<void()> processEvents;         // let pending window events through
    std::function<void(bool)> showBanner;        // Panel2 "Передача в данных в Exel"
    std::function<bool()> imagesLoaded;          // ImagesLoaded
    std::function<std::string()> ordersTime;     // OrdersNow.Time of the last orders reading
    std::function<void(SpreadsheetChannel&)> runReaders;  // Orders, then Position, on that channel
};

// The transfer's program-wide state. `channel` is the side channel the
// on-screen readers use at every run, transfer or not.
struct SpreadsheetState {
    AutomationObjectPtr ExcelApp;
    AutomationObjectPtr ExcelSheet;
    SpreadsheetChannel channel;
};

// "Tivka " + characters 1-2, "_", 4-5, "_", 7-8 of the time text; positions
// past its end add nothing ("12:30" gives "Tivka 12_30_").
std::string SpreadsheetSheetName(const std::string& timeText);

// Exel1Click: attaches to the running "Excel.Application" (creating one only
// when none runs), switches its events off and hides it, adds a workbook,
// names its first worksheet after the orders time and keeps that worksheet as
// ExcelSheet, shows the banner, then (charts loaded) runs the readers with
// ExcelRow = 1 and ExcelExport set so they write their cells, and finally
// clears ExcelExport, hides the banner and makes the application visible.
//
// When any step fails (the application refusing a call, a reader throwing),
// the cells written so far stay, ExcelExport is cleared, the banner is hidden
// and, if the application had been obtained, it is made visible so the
// partly filled workbook reaches the user; then the original error is
// rethrown for the window's general error report. A second failure while
// making it visible is dropped in favour of the first error.
void RunSpreadsheetTransfer(SpreadsheetState& state, const SpreadsheetTransferHooks& hooks);

}  // namespace tivka
