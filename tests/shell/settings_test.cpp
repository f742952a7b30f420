#include "shell/settings.h"

#include <filesystem>
#include <stdexcept>

#include <gtest/gtest.h>

#include "platform/ini_file.h"
#include "support/test_support.h"

namespace tivka {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

Settings readSettings(const fs::path& path, const std::string& systemSeparator = ".")
{
    IniFile ini(path.string());
    Settings settings;
    settings.Time2 = -1;  // proves READINI sets every field, defaults included
    settings.ChartURL = "stale";
    READINI(ini, settings, systemSeparator);
    return settings;
}

TEST(SettingsTest, NoFileGivesTheDefaultsAndSavingWritesExactlyTheFiveKeys)
{
    TempDir dir;
    const fs::path path = dir / "tivka.INI";
    Settings settings = readSettings(path, ",");
    EXPECT_EQ(settings.Time1, 0);
    EXPECT_FALSE(settings.TimerEn1);
    EXPECT_EQ(settings.Time2, 33);
    EXPECT_FALSE(settings.TimerEn2);
    EXPECT_EQ(settings.ChartURL, kDefaultChartUrl);
    EXPECT_EQ(settings.DecimalSymbol, ",");
    for (const std::string& folder : {settings.Mt4Dir1, settings.Mt4Dir2, settings.Mt4Dir3})
        EXPECT_EQ(folder, "experts\\files\\Tivka\\");
    EXPECT_FALSE(fs::exists(path)) << "reading never creates the file";

    IniFile ini(path.string());
    SAVEINI(ini, settings);
    EXPECT_EQ(readFile(path), std::string("[Setting]\nTime1=0\nTime2=33\nTimerEn1=0\nTimerEn2=0\nTIVKA_URL=") +
                                  kDefaultChartUrl + "\n");
}

TEST(SettingsTest, ReadsEveryKey)
{
    TempDir dir;
    const fs::path path = dir / "tivka.INI";
    writeFile(path,
              "[Setting]\r\n"
              "Mt4_Path=C:\\MT4\\\r\n"
              "Mt4_Path2=/opt/mt4 second/\r\n"
              "Mt4_Path3=C:\\MT4\r\n"
              "Symbol=.\r\n"
              "Time1=0x1E\r\n"
              "TimerEn1=2\r\n"
              "Time2=15\r\n"
              "TimerEn2=yes\r\n"
              "TIVKA_URL=http://127.0.0.1:8080/charts/\r\n");
    Settings settings = readSettings(path, ",");
    EXPECT_EQ(settings.Mt4Dir1, "C:\\MT4\\experts\\files\\Tivka\\");
    EXPECT_EQ(settings.Mt4Dir2, "/opt/mt4 second/experts\\files\\Tivka\\");
    EXPECT_EQ(settings.Mt4Dir3, "C:\\MT4experts\\files\\Tivka\\");
    EXPECT_EQ(settings.DecimalSymbol, ".");
    EXPECT_EQ(settings.Time1, 30);
    EXPECT_TRUE(settings.TimerEn1);
    EXPECT_EQ(settings.Time2, 15);
    EXPECT_FALSE(settings.TimerEn2) << "\"yes\" is not a number";
    EXPECT_EQ(settings.ChartURL, "http://127.0.0.1:8080/charts/");
}

TEST(SettingsTest, SymbolAutoMeansTheSystemSeparator)
{
    const struct {
        const char* stored;
        const char* system;
        const char* expected;
    } cases[] = {{"AUTO", ",", ","}, {"auto", ",", ","}, {"Auto", ".", "."}, {"aUTO", ",", "aUTO"},
                 {".", ",", "."},    {",", ".", ","},    {"", ",", ""}};
    TempDir dir;
    const fs::path path = dir / "tivka.INI";
    for (const auto& c : cases) {
        writeFile(path, std::string("[Setting]\nSymbol=") + c.stored + "\n");
        EXPECT_EQ(readSettings(path, c.system).DecimalSymbol, c.expected) << c.stored;
    }
}

TEST(SettingsTest, SavingKeepsEverythingElseByteForByte)
{
    TempDir dir;
    const fs::path path = dir / "tivka.INI";
    const std::string before =
        "; Tivka settings\r\n"
        "[Window]\r\n"
        "Time1=999\r\n"
        "\r\n"
        "[ setting ]\r\n"
        "  Mt4_Path =   \"C:\\Program Files\\MT4\\\"  \r\n"
        "symbol=AUTO\r\n"
        "  time1 =  \"5\"\r\n"
        "TimerEn1=2\r\n"
        "; keep me\r\n"
        "\r\n"
        "[Other]\r\n"
        "TIVKA_URL=untouched\r\n";
    writeFile(path, before);
    Settings settings = readSettings(path, ",");
    EXPECT_EQ(settings.Mt4Dir1, "C:\\Program Files\\MT4\\experts\\files\\Tivka\\");
    EXPECT_EQ(settings.Time1, 5);
    settings.Time1 = 7;
    IniFile ini(path.string());
    SAVEINI(ini, settings);
    EXPECT_EQ(readFile(path),
              "; Tivka settings\r\n"
              "[Window]\r\n"
              "Time1=999\r\n"
              "\r\n"
              "[ setting ]\r\n"
              "  Mt4_Path =   \"C:\\Program Files\\MT4\\\"  \r\n"
              "symbol=AUTO\r\n"
              "  time1 =  7\r\n"
              "TimerEn1=1\r\n"
              "; keep me\r\n"
              "Time2=33\r\n"
              "TimerEn2=0\r\n"
              "TIVKA_URL=" + std::string(kDefaultChartUrl) + "\r\n"
              "\r\n"
              "[Other]\r\n"
              "TIVKA_URL=untouched\r\n");
    Settings again = readSettings(path, ",");
    EXPECT_EQ(again.Time1, 7);
    EXPECT_TRUE(again.TimerEn1);
    EXPECT_EQ(again.DecimalSymbol, ",");
}

TEST(SettingsTest, UnwritableFileIsReportedAndLeftAsItWas)
{
    TempDir dir;
    const fs::path path = dir / "tivka.INI";
    fs::create_directory(path);  // a folder where the file should be
    IniFile ini(path.string());
    Settings settings;
    try {
        SAVEINI(ini, settings);
        ADD_FAILURE() << "SAVEINI reported success";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(error.what(), "Unable to write to " + path.string());
    }
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_TRUE(fs::is_empty(path));

    // A key that cannot be stored ends the save there: the keys before it stay written.
    const fs::path other = dir / "other.INI";
    settings.Time1 = 3;
    settings.ChartURL = "http://x/\nTimerEn1=1";
    IniFile otherIni(other.string());
    EXPECT_THROW(SAVEINI(otherIni, settings), std::runtime_error);
    EXPECT_EQ(readFile(other), "[Setting]\nTime1=3\nTime2=33\nTimerEn1=0\nTimerEn2=0\n");
}

}  // namespace
}  // namespace tivka
