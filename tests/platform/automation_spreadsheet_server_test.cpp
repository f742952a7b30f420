#include <gtest/gtest.h>

#include <filesystem>

#include "platform/spreadsheet_server.h"
#include "support/test_support.h"
#include "support/xlsx_contents.h"

namespace tivka {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

AutomationObjectPtr object(const AutomationValue& value)
{
    return std::get<AutomationObjectPtr>(value);
}

// A workbook added to `application`, with its first sheet.
struct Book {
    AutomationObjectPtr workbook;
    AutomationObjectPtr sheet;
};

Book addBook(const AutomationObjectPtr& application)
{
    Book book;
    book.workbook = object(object(application->get("Workbooks"))->callMethod("Add", {}));
    book.sheet = object(book.workbook->getProperty("WorkSheets", {std::int32_t(1)}));
    return book;
}

void putCell(const AutomationObjectPtr& sheet, int row, int column, const AutomationValue& value)
{
    sheet->putProperty("Cells", {std::int32_t(row), std::int32_t(column)}, value);
}

std::vector<std::string> filesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class SpreadsheetServer : public ::testing::Test {
protected:
    TempDir folder;
    std::vector<std::string> opened;
    AutomationObjectPtr application = std::make_shared<SpreadsheetApplication>(
        SpreadsheetServerOptions{folder.path().string(), [this](const std::string& path) { opened.push_back(path); }});
};

TEST(SpreadsheetServerRegistration, AttachFailsUntilTheProgramCreatedOne)
{
    TempDir folder;
    ScopedAutomationClass server(kSpreadsheetClassName, SpreadsheetServerFactory({folder.path().string(), {}}));
    try {
        GetActiveObject(kSpreadsheetClassName);
        FAIL() << "attached before any was created";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.kind(), AutomationError::Kind::NoRunningObject);
    }
    auto first = CreateOleObject(kSpreadsheetClassName);
    EXPECT_EQ(GetActiveObject(kSpreadsheetClassName), first);
    EXPECT_EQ(GetActiveObject("excel.application"), first);
    auto second = CreateOleObject(kSpreadsheetClassName);
    EXPECT_NE(second, first);
    EXPECT_EQ(GetActiveObject(kSpreadsheetClassName), first);
}

TEST_F(SpreadsheetServer, AnswersTheTransfersMembersIgnoringCase)
{
    EXPECT_EQ(object(application->get("application")), application);
    application->put("EnableEvents", false);
    EXPECT_EQ(std::get<bool>(application->get("ENABLEEVENTS")), false);
    Book book = addBook(application);
    EXPECT_EQ(object(book.workbook->callMethod("worksheets", {std::int32_t(1)})), book.sheet);
    EXPECT_EQ(object(book.workbook->getProperty("Worksheets", {std::string("Sheet1")})), book.sheet);
    EXPECT_THROW(book.sheet->put("Name", std::string("Tivka 1?_30_00")), AutomationError);
    EXPECT_EQ(std::get<std::string>(book.sheet->get("Name")), "Sheet1") << "a refused name leaves the old one";
    book.sheet->put("name", std::string("Tivka 12_30_45"));
    EXPECT_EQ(std::get<std::string>(book.sheet->get("Name")), "Tivka 12_30_45");
    putCell(book.sheet, 3, 2, 1.5);
    book.sheet->putProperty("cells", {2.0, 3.0}, std::string("x"));  // whole floats serve as indexes
    EXPECT_EQ(std::get<double>(book.sheet->getProperty("Cells", {std::int32_t(3), std::int32_t(2)})), 1.5);
    EXPECT_EQ(std::get<std::string>(book.sheet->getProperty("Cells", {std::int32_t(2), std::int32_t(3)})), "x");
}

TEST_F(SpreadsheetServer, RefusesWhatItDoesNotKnowNamingIt)
{
    Book book = addBook(application);
    AutomationObjectPtr workbooks = object(application->get("Workbooks"));
    struct Case {
        std::function<void()> action;
        AutomationError::Kind kind;
        std::string inMessage;
    };
    const std::vector<Case> cases = {
        {[&] { application->callMethod("Quit", {}); }, AutomationError::Kind::UnknownMember, "\"Quit\""},
        {[&] { workbooks->callMethod("Open", {std::string("a.xlsx")}); }, AutomationError::Kind::UnknownMember, "Open"},
        {[&] { book.workbook->get("Close"); }, AutomationError::Kind::UnknownMember, "Close"},
        {[&] { book.sheet->putProperty("Range", {std::string("A1")}, 1.0); }, AutomationError::Kind::UnknownMember, "Range"},
        {[&] { book.workbook->getProperty("WorkSheets", {std::int32_t(2)}); }, AutomationError::Kind::Refused, "2"},
        {[&] { book.workbook->get("WorkSheets"); }, AutomationError::Kind::BadArguments, "WorkSheets"},
        {[&] { application->put("Visible", std::string("yes")); }, AutomationError::Kind::BadArguments, "Visible"},
        {[&] { putCell(book.sheet, 0, 1, 1.0); }, AutomationError::Kind::Refused, "row 0"},
        {[&] { putCell(book.sheet, 1, 16385, 1.0); }, AutomationError::Kind::Refused, "column 16385"},
        {[&] { book.sheet->putProperty("Cells", {1.5, std::int32_t(1)}, 1.0); }, AutomationError::Kind::BadArguments, "1.5"},
        {[&] { putCell(book.sheet, 1, 1, AutomationObjectPtr(application)); }, AutomationError::Kind::BadArguments, "object"},
        {[&] { book.sheet->put("Name", 3.0); }, AutomationError::Kind::BadArguments, "text"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        try {
            cases[i].action();
            ADD_FAILURE() << "case " << i << " was accepted";
        } catch (const AutomationError& error) {
            EXPECT_EQ(error.kind(), cases[i].kind) << "case " << i << ": " << error.what();
            EXPECT_NE(std::string(error.what()).find(cases[i].inMessage), std::string::npos)
                << "case " << i << ": " << error.what();
        }
    }
}

TEST(SheetNames, FollowTheSpreadsheetsRules)
{
    const std::string cyrillic31 = "Торговля " + std::string("Ё") + "123456789012345678901";  // 31 letters
    for (const std::string& name : std::vector<std::string>{"Tivka 12_30_45", "Tivka __", "Tivka 1.2_3", "a", std::string(31, 'x'),
                                   cyrillic31, "it's", "#1 (copy)"})
        EXPECT_NO_THROW(CheckSheetName(name)) << name;

    const std::vector<std::pair<std::string, std::string>> refused = {
        {"", "empty"},
        {std::string(32, 'x'), "31 characters"},
        {cyrillic31 + "Ж", "31 characters"},
        {"Tivka 12:30", "characters"},  {"Tivka 1?_30_00", "characters"}, {"a/b", "characters"},
        {"a\\b", "characters"},         {"a*b", "characters"},            {"[a", "characters"},
        {"a]", "characters"},           {"'quoted", "apostrophe"},        {"quoted'", "apostrophe"},
    };
    for (const auto& [name, reason] : refused) {
        try {
            CheckSheetName(name);
            ADD_FAILURE() << "accepted '" << name << "'";
        } catch (const AutomationError& error) {
            std::string message = error.what();
            EXPECT_EQ(error.kind(), AutomationError::Kind::Refused);
            EXPECT_NE(message.find("'" + name + "'"), std::string::npos) << message;
            EXPECT_NE(message.find(reason), std::string::npos) << message;
        }
    }
}

TEST_F(SpreadsheetServer, ShowingWritesEachNewWorkbookOnceWithoutOverwriting)
{
    test::writeFile(folder / "Tivka A.xlsx", "the user's own file");
    Book first = addBook(application);
    first.sheet->put("Name", std::string("Tivka A"));
    putCell(first.sheet, 1, 1, 2.5);
    Book second = addBook(application);
    second.sheet->put("Name", std::string("Tivka B"));
    application->put("Visible", false);
    EXPECT_EQ(filesIn(folder.path()), std::vector<std::string>{"Tivka A.xlsx"});

    application->put("Visible", true);
    EXPECT_EQ(filesIn(folder.path()), (std::vector<std::string>{"Tivka A (2).xlsx", "Tivka A.xlsx", "Tivka B.xlsx"}));
    EXPECT_EQ(test::readFile(folder / "Tivka A.xlsx"), "the user's own file");
    const std::vector<std::string> expected = {(folder / "Tivka A (2).xlsx").string(), (folder / "Tivka B.xlsx").string()};
    EXPECT_EQ(opened, expected);
    EXPECT_EQ(test::xlsxCells(expected[0]).at("A1"), (test::XlsxCell{"n", "2.5"}));

    application->put("Visible", true);  // nothing new: nothing written or opened
    EXPECT_EQ(opened.size(), 2u);
    Book third = addBook(application);
    third.sheet->put("Name", std::string("Tivka B"));
    application->put("Visible", true);
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[2], (folder / "Tivka B (2).xlsx").string());
    EXPECT_EQ(test::xlsxSheetName(opened[2]), "Tivka B");
}

TEST(SpreadsheetServerWriting, WorkbookThatCouldNotBeWrittenIsWrittenNextTime)
{
    TempDir parent;
    fs::path folder = parent / "not yet";
    auto application = std::make_shared<SpreadsheetApplication>(SpreadsheetServerOptions{folder.string(), {}});
    addBook(application).sheet->put("Name", std::string("Tivka 09_00_00"));
    try {
        application->put("Visible", true);
        FAIL() << "writing into a missing folder succeeded";
    } catch (const std::runtime_error& error) {
        std::string expected = "\"" + (folder / "Tivka 09_00_00.xlsx").string() + "\"";
        EXPECT_NE(std::string(error.what()).find(expected), std::string::npos) << error.what();
    }
    fs::create_directory(folder);
    application->put("Visible", true);
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"Tivka 09_00_00.xlsx"});
}

}  // namespace
}  // namespace tivka
