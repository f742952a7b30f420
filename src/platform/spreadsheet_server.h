#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/automation.h"
#include "platform/xlsx_file.h"

namespace tivka {

// The class name the spreadsheet transfer asks for.
inline constexpr const char* kSpreadsheetClassName = "Excel.Application";

struct SpreadsheetServerOptions {
    // Where shown workbooks are written; empty: DocumentsFolder() at the time.
    std::string folder;
    // Opens each written file for the user (the window passes one that uses
    // the desktop's default program); empty: nothing is opened.
    std::function<void(const std::string& path)> opener;
};

// An in-process stand-in for the spreadsheet application. It answers the
// members the transfer uses, ignoring letter case:
//   Application (get: itself), EnableEvents (get/put), Visible (get/put),
//   Workbooks (get) -> Add() -> workbook; workbook.WorkSheets(1) -> sheet;
//   sheet.Name (get/put), sheet.Cells(row, column) (put; get gives the value).
// Any other member is an AutomationError naming it. Putting Visible true
// writes every workbook added since the last time it was shown as an .xlsx
// named after its sheet (see WriteXlsxFileNoOverwrite) and then opens the
// written files with the opener.
class SpreadsheetApplication : public AutomationObject, public std::enable_shared_from_this<SpreadsheetApplication> {
public:
    explicit SpreadsheetApplication(SpreadsheetServerOptions options);

    AutomationValue getProperty(const std::string& name, const AutomationArgs& args) override;
    void putProperty(const std::string& name, const AutomationArgs& args, const AutomationValue& value) override;
    AutomationValue callMethod(const std::string& name, const AutomationArgs& args) override;

    // Paths of every file written so far, oldest first.
    const std::vector<std::string>& writtenFiles() const { return written_; }

private:
    class Workbooks;
    class Workbook;
    class Worksheet;

    void show();

    SpreadsheetServerOptions options_;
    bool visible_ = false;
    bool enableEvents_ = true;
    std::shared_ptr<Workbooks> workbooks_;
    std::vector<std::shared_ptr<Worksheet>> pending_;  // added, not yet written
    std::vector<std::string> written_;
};

// Checks a worksheet name as the spreadsheet does: 1 to 31 characters, none
// of : \ / ? * [ ], not starting or ending with an apostrophe. Throws
// AutomationError(Refused) quoting the name and saying what is wrong.
void CheckSheetName(const std::string& name);

// Registers the stand-in as "Excel.Application" in the process-wide registry,
// replacing what was there. GetActiveObject fails with the "no running
// object" error until CreateOleObject has made one; from then on it gives
// that instance, which lives as long as the registration.
void RegisterSpreadsheetServer(SpreadsheetServerOptions options);

// The factory behind RegisterSpreadsheetServer, for scoped registrations.
AutomationClassFactory SpreadsheetServerFactory(SpreadsheetServerOptions options);

}  // namespace tivka
