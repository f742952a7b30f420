#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "export/workbook/xlsx_writer.h"
#include "platform/paths.h"
#include "support/scoped_environment.h"
#include "support/test_support.h"
#include "support/xlsx_contents.h"

namespace tivka {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::XlsxCell;

TEST(XlsxWriter, StoresNumbersAsNumbersAndWholeNumberTextsAsNumbers)
{
    TempDir dir;
    Worksheet sheet{"Tivka 12_30_45", {}};
    const std::vector<std::pair<CellValue, std::optional<XlsxCell>>> cases = {
        {1.08215, XlsxCell{"n", "1.08215"}},
        {-109.5, XlsxCell{"n", "-109.5"}},
        {std::string("27"), XlsxCell{"n", "27"}},
        {std::string("-3"), XlsxCell{"n", "-3"}},
        {std::string("101"), XlsxCell{"n", "101"}},
        {std::string("12:30"), XlsxCell{"s", "12:30"}},
        {std::string("1.2345"), XlsxCell{"s", "1.2345"}},
        {std::string("27%"), XlsxCell{"s", "27%"}},
        {std::string("-"), XlsxCell{"s", "-"}},
        {std::string("1234567890123456"), XlsxCell{"s", "1234567890123456"}},  // beyond exact digits
        {std::string("Buy <limit> & \"stop\""), XlsxCell{"s", "Buy <limit> & \"stop\""}},
        {std::string(""), std::nullopt},
    };
    for (std::size_t i = 0; i < cases.size(); ++i)
        sheet.put(int(i + 1), 3, cases[i].first);
    const std::string path = (dir / "kinds.xlsx").string();
    WriteXlsxFile(sheet, path);

    auto cells = test::xlsxCells(path);
    EXPECT_EQ(test::xlsxSheetName(path), "Tivka 12_30_45");
    EXPECT_EQ(test::xlsxCellElementCount(path), cells.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        std::string reference = "C" + std::to_string(i + 1);
        if (cases[i].second)
            EXPECT_EQ(cells[reference], *cases[i].second) << reference;
        else
            EXPECT_EQ(cells.count(reference), 0u) << reference;
    }
}

// The program keeps LC_NUMERIC at "C", but a library or a plugin may not:
// the stored numbers must not follow a comma locale.
TEST(XlsxWriter, NumbersKeepTheirPointUnderACommaLocale)
{
    TempDir dir;
    std::string before = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "ru_RU.UTF-8"))
        FAIL() << "locale ru_RU.UTF-8 is missing; ./run generates it";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    EXPECT_STREQ(probe, "1,5") << "the locale does not use a comma; the test proves nothing";

    Worksheet sheet{"Tivka 12_30_45", {}};
    sheet.put(4, 3, 1.08215);
    sheet.put(7, 2, 1234567.25);
    const std::string path = WriteXlsxFileNoOverwrite(sheet, dir.path().string());
    std::setlocale(LC_NUMERIC, before.c_str());

    EXPECT_EQ(path, (dir / "Tivka 12_30_45.xlsx").string());
    auto cells = test::xlsxCells(path);
    EXPECT_EQ(cells["C4"], (XlsxCell{"n", "1.08215"}));
    EXPECT_EQ(cells["B7"], (XlsxCell{"n", "1234567.25"}));
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    EXPECT_STREQ(probe, "1.5") << "the writer left the numeric locale changed";
}

TEST(DocumentsFolder, TakesTheFirstExistingOfVariableUserDirsAndHome)
{
    TempDir home;
    fs::create_directories(home / ".config");
    fs::create_directories(home / "Dokumente");
    fs::create_directories(home / "Elsewhere");
    test::ScopedEnvironment environment;
    environment.set("HOME", home.path().string());
    environment.set("XDG_CONFIG_HOME", std::nullopt);
    environment.set("XDG_DOCUMENTS_DIR", std::nullopt);

    EXPECT_EQ(DocumentsFolder(), home.path().string()) << "no user-dirs.dirs";
    test::writeFile(home / ".config" / "user-dirs.dirs",
                    "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(DocumentsFolder(), (home / "Dokumente").string());
    environment.set("XDG_DOCUMENTS_DIR", (home / "Elsewhere").string());
    EXPECT_EQ(DocumentsFolder(), (home / "Elsewhere").string());
    environment.set("XDG_DOCUMENTS_DIR", (home / "Gone").string());
    EXPECT_EQ(DocumentsFolder(), (home / "Dokumente").string());
    fs::remove(home / "Dokumente");
    EXPECT_EQ(DocumentsFolder(), home.path().string());
}

}  // namespace
}  // namespace tivka
