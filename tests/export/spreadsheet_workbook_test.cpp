#include <gtest/gtest.h>

#include <filesystem>

#include "export/spreadsheet_transfer.h"
#include "platform/spreadsheet_server.h"
#include "support/test_support.h"
#include "support/xlsx_contents.h"

namespace tivka {
namespace {

namespace fs = std::filesystem;
using test::XlsxCell;

// Transfers through the real spreadsheet stand-in into a temporary folder.
class SpreadsheetWorkbook : public ::testing::Test {
protected:
    test::TempDir folder;
    std::vector<std::string> opened;
    ScopedAutomationClass server{
        kSpreadsheetClassName,
        SpreadsheetServerFactory({folder.path().string(), [this](const std::string& path) { opened.push_back(path); }})};
    SpreadsheetState state;
    SpreadsheetTransferHooks hooks;
    bool loaded = true;
    bool bannerShown = false;
    int readerRuns = 0;
    std::string time = "12:30:45";

    SpreadsheetWorkbook()
    {
        hooks.processEvents = [] {};
        hooks.showBanner = [this](bool on) { bannerShown = on; };
        hooks.imagesLoaded = [this] { return loaded; };
        hooks.ordersTime = [this] { return time; };
        hooks.runReaders = [this](SpreadsheetChannel& channel) {
            ++readerRuns;
            channel.ExcelSheet->putCell(2, 2, std::string("Orders"));
            channel.ExcelSheet->putCell(4, 1, std::string("Now Price"));
            channel.ExcelSheet->putCell(4, 3, 1.08215);
            channel.ExcelSheet->putCell(5, 3, time);
            channel.ExcelSheet->putCell(7, 2, 1.0825);
            channel.ExcelSheet->putCell(7, 3, std::string("27"));
        };
    }

    std::string file(const std::string& name) const { return (folder / name).string(); }
};

TEST_F(SpreadsheetWorkbook, EachTransferWritesANewNamedWorkbookWithTypedCellsAndOpensIt)
{
    RunSpreadsheetTransfer(state, hooks);
    const std::string first = file("Tivka 12_30_45.xlsx");
    EXPECT_EQ(opened, std::vector<std::string>{first});
    EXPECT_EQ(test::xlsxSheetName(first), "Tivka 12_30_45");
    const std::map<std::string, XlsxCell> expected = {
        {"B2", {"s", "Orders"}}, {"A4", {"s", "Now Price"}}, {"C4", {"n", "1.08215"}},
        {"C5", {"s", "12:30:45"}}, {"B7", {"n", "1.0825"}},  {"C7", {"n", "27"}},
    };
    EXPECT_EQ(test::xlsxCells(first), expected);
    EXPECT_EQ(test::xlsxCellElementCount(first), expected.size());
    EXPECT_FALSE(bannerShown);

    const std::string firstBytes = test::readFile(first);
    auto application = state.ExcelApp;
    hooks.runReaders = [](SpreadsheetChannel& channel) { channel.ExcelSheet->putCell(2, 2, std::string("Again")); };
    RunSpreadsheetTransfer(state, hooks);
    const std::string second = file("Tivka 12_30_45 (2).xlsx");
    EXPECT_EQ(state.ExcelApp, application) << "the second transfer attaches to the same application";
    EXPECT_EQ(opened, (std::vector<std::string>{first, second}));
    EXPECT_EQ(test::readFile(first), firstBytes);
    EXPECT_EQ(test::xlsxCells(second), (std::map<std::string, XlsxCell>{{"B2", {"s", "Again"}}}));
}

TEST_F(SpreadsheetWorkbook, NoChartLoadedGivesAnEmptyWorkbookNamedWithoutTime)
{
    loaded = false;
    time = "";
    RunSpreadsheetTransfer(state, hooks);
    const std::string path = file("Tivka __.xlsx");
    EXPECT_EQ(opened, std::vector<std::string>{path});
    EXPECT_EQ(test::xlsxSheetName(path), "Tivka __");
    EXPECT_EQ(test::xlsxCellElementCount(path), 0u);
    EXPECT_EQ(readerRuns, 0);
}

TEST_F(SpreadsheetWorkbook, TimeGivingAnInvalidSheetNameEndsWithAClearMessage)
{
    time = "1?:30:00";
    try {
        RunSpreadsheetTransfer(state, hooks);
        FAIL() << "an invalid sheet name was accepted";
    } catch (const AutomationError& error) {
        EXPECT_NE(std::string(error.what()).find("'Tivka 1?_30_00' is not allowed"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(bannerShown);
    EXPECT_FALSE(state.channel.ExcelExport);
    EXPECT_EQ(readerRuns, 0);
    // The workbook already added is shown as it is, under its first name.
    EXPECT_EQ(opened, std::vector<std::string>{file("Sheet1.xlsx")});
    EXPECT_EQ(test::xlsxCellElementCount(opened[0]), 0u);

    time = "12:31:00";  // the next transfer works normally
    RunSpreadsheetTransfer(state, hooks);
    EXPECT_EQ(opened.back(), file("Tivka 12_31_00.xlsx"));
}

}  // namespace
}  // namespace tivka
