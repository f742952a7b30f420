#include "export/spreadsheet_transfer.h"

#include "platform/spreadsheet_server.h"

namespace tivka {

namespace {

// The readers' cell writes become puts of Cells(row, column) on the worksheet.
class WorksheetCells final : public CellWriter {
public:
    explicit WorksheetCells(AutomationObjectPtr sheet) : sheet_(std::move(sheet)) {}

    void putCell(std::int32_t row, std::int32_t column, const CellValue& value) override
    {
        AutomationValue cell = std::holds_alternative<double>(value) ? AutomationValue(std::get<double>(value))
                                                                      : AutomationValue(std::get<std::string>(value));
        sheet_->putProperty("Cells", {row, column}, cell);
    }

private:
    AutomationObjectPtr sheet_;
};

AutomationObjectPtr attachOrCreate()
{
    try {
        return GetActiveObject(kSpreadsheetClassName);
    } catch (const AutomationError& error) {
        if (error.kind() != AutomationError::Kind::NoRunningObject)
            throw;
    }
    return CreateOleObject(kSpreadsheetClassName);
}

AutomationObjectPtr firstWorksheet(const AutomationObjectPtr& workbook)
{
    return AsObject(workbook->getProperty("WorkSheets", {std::int32_t(1)}), "WorkSheets(1)");
}

void call(const std::function<void()>& hook)
{
    if (hook)
        hook();
}

// Puts back what the window shows and lets the partial workbook through.
void endAfterError(SpreadsheetState& state, const SpreadsheetTransferHooks& hooks,
                   const AutomationObjectPtr& application, bool bannerShown)
{
    state.channel.ExcelExport = false;
    state.channel.ExcelSheet = nullptr;
    try {
        if (bannerShown && hooks.showBanner)
            hooks.showBanner(false);
        if (application)
            application->put("Visible", true);
    } catch (...) {
        // The first error is the one the user needs to see; it is rethrown.
    }
}

}  // namespace

std::string SpreadsheetSheetName(const std::string& timeText)
{
    auto chars = [&](std::size_t first) { return first < timeText.size() ? timeText.substr(first, 2) : ""; };
    return "Tivka " + chars(0) + "_" + chars(3) + "_" + chars(6);
}

void RunSpreadsheetTransfer(SpreadsheetState& state, const SpreadsheetTransferHooks& hooks)
{
    AutomationObjectPtr application;
    bool bannerShown = false;
    try {
        call(hooks.processEvents);
        application = attachOrCreate();
        state.ExcelApp = application;
        AsObject(application->get("Application"), "Application")->put("EnableEvents", false);
        application->put("Visible", false);
        auto workbook = AsObject(AsObject(application->get("Workbooks"), "Workbooks")->callMethod("Add", {}), "Add");
        std::string time = hooks.ordersTime ? hooks.ordersTime() : std::string();
        firstWorksheet(workbook)->put("Name", SpreadsheetSheetName(time));
        auto sheet = firstWorksheet(workbook);
        state.ExcelSheet = sheet;

        if (hooks.showBanner)
            hooks.showBanner(true);
        bannerShown = true;
        call(hooks.processEvents);

        WorksheetCells cells(sheet);
        state.channel.ExcelRow = 1;
        state.channel.ExcelSheet = &cells;
        state.channel.ExcelExport = true;
        if (hooks.imagesLoaded && hooks.imagesLoaded() && hooks.runReaders)
            hooks.runReaders(state.channel);
        state.channel.ExcelExport = false;
        state.channel.ExcelSheet = nullptr;

        if (hooks.showBanner)
            hooks.showBanner(false);
        bannerShown = false;
        application->put("Visible", true);
    } catch (...) {
        endAfterError(state, hooks, application, bannerShown);
        throw;
    }
}

}  // namespace tivka
