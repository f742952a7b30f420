#include "shell/settings.h"

#include <filesystem>
#include <stdexcept>
#include <tuple>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/test_support.h"

namespace tivka {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempDir;
using test::writeFile;

Settings readSettings(const fs::path& path, const std::string& systemSeparator = ".")
{
    return LoadSettings(path.string(), systemSeparator);
}

void saveSettings(const fs::path& path, const Settings& settings)
{
    SaveSettings(path.string(), settings);
}

TEST(SettingsTest, NoFileGivesTheDefaultsAndSavingWritesEveryKeyItKeeps)
{
    TempDir dir;
    const fs::path path = dir / "tivka.INI";
    Settings settings = readSettings(path, ",");
    EXPECT_EQ(settings.timers.periodMinutes, 0);
    EXPECT_FALSE(settings.timers.periodicEnabled);
    EXPECT_EQ(settings.timers.hourlyMinute, 33);
    EXPECT_FALSE(settings.timers.hourlyEnabled);
    EXPECT_EQ(settings.chartUrl, kDefaultChartUrl);
    EXPECT_EQ(settings.decimalSymbol, ",");
    for (const std::string& folder : settings.indicatorFolders)
        EXPECT_EQ(folder, "experts\\files\\Tivka\\");
    EXPECT_FALSE(fs::exists(path)) << "reading never creates the file";

    saveSettings(path, settings);
    EXPECT_EQ(readFile(path), std::string("[Setting]\nTime1=0\nTime2=33\nTimerEn1=0\nTimerEn2=0\nTIVKA_URL=") +
                                  kDefaultChartUrl +
                                  "\nPair=GBP/USD\nOrdersFilter=50\nOrdersMode=>=\nPositionsFilter=50\n"
                                  "PositionsMode=>=\nOrdersVariant=noncumulative\nPositionsVariant=noncumulative\n");
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
              "TIVKA_URL=http://127.0.0.1:8080/charts/\r\n"
              "HistoryDays=30\r\n");
    Settings settings = readSettings(path, ",");
    EXPECT_EQ(settings.indicatorFolders[0], "C:\\MT4\\experts\\files\\Tivka\\");
    EXPECT_EQ(settings.indicatorFolders[1], "/opt/mt4 second/experts\\files\\Tivka\\");
    EXPECT_EQ(settings.indicatorFolders[2], "C:\\MT4experts\\files\\Tivka\\");
    EXPECT_EQ(settings.decimalSymbol, ".");
    EXPECT_EQ(settings.timers.periodMinutes, 30);
    EXPECT_TRUE(settings.timers.periodicEnabled);
    EXPECT_EQ(settings.timers.hourlyMinute, 15);
    EXPECT_FALSE(settings.timers.hourlyEnabled) << "\"yes\" is not a number";
    EXPECT_EQ(settings.chartUrl, "http://127.0.0.1:8080/charts/");
    EXPECT_EQ(settings.historyDays, 30);
}

std::tuple<std::string, std::string, bool, std::string, bool, bool, bool> fieldsOf(const WindowChoices& c)
{
    return {c.pairText, c.ordersThreshold, c.ordersAtLeast, c.positionsThreshold, c.positionsAtLeast,
            c.ordersCumulative, c.positionsCumulative};
}

// The window's choices come back as they were left; a file written by an
// older Tivka, or a value the window cannot hold, gives today's defaults.
TEST(SettingsTest, WindowChoicesRoundTripAndFallBackToTheDefaults)
{
    TempDir dir;
    const fs::path path = dir / "tivka.INI";
    Settings chosen;
    chosen.choices = {"usd/jpy typed", "70", false, "15", true, true, false};
    saveSettings(path, chosen);
    EXPECT_EQ(fieldsOf(readSettings(path).choices), fieldsOf(chosen.choices));
    chosen.choices = {"EUR/GBP", "-3", true, "0", false, false, true};
    saveSettings(path, chosen);
    EXPECT_EQ(fieldsOf(readSettings(path).choices), fieldsOf(chosen.choices));

    for (const std::string& file : {std::string("[Setting]\nTime1=5\nHistoryDays=-5\n"),
                                    std::string("[Setting]\nPair=\nOrdersFilter=5x\nOrdersMode=>\n"
                                                "PositionsFilter=\nPositionsMode=ge\nOrdersVariant=1\n"
                                                "PositionsVariant=CUMULATIVE\nHistoryDays=x\n")}) {
        writeFile(path, file);
        const Settings read = readSettings(path);
        EXPECT_EQ(fieldsOf(read.choices), fieldsOf(WindowChoices{})) << file;
        EXPECT_EQ(read.historyDays, 0) << file;
    }
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
        EXPECT_EQ(readSettings(path, c.system).decimalSymbol, c.expected) << c.stored;
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
    EXPECT_EQ(settings.indicatorFolders[0], "C:\\Program Files\\MT4\\experts\\files\\Tivka\\");
    EXPECT_EQ(settings.timers.periodMinutes, 5);
    settings.timers.periodMinutes = 7;
    saveSettings(path, settings);
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
              "Pair=GBP/USD\r\nOrdersFilter=50\r\nOrdersMode=>=\r\nPositionsFilter=50\r\nPositionsMode=>=\r\n"
              "OrdersVariant=noncumulative\r\nPositionsVariant=noncumulative\r\n"
              "\r\n"
              "[Other]\r\n"
              "TIVKA_URL=untouched\r\n");
    Settings again = readSettings(path, ",");
    EXPECT_EQ(again.timers.periodMinutes, 7);
    EXPECT_TRUE(again.timers.periodicEnabled);
    EXPECT_EQ(again.decimalSymbol, ",");
}

TEST(SettingsTest, UnwritableFileIsReportedAndLeftAsItWas)
{
    TempDir dir;
    const fs::path path = dir / "tivka.INI";
    fs::create_directory(path);  // a folder where the file should be
    Settings settings;
    try {
        saveSettings(path, settings);
        ADD_FAILURE() << "saving reported success";
    } catch (const std::runtime_error& error) {
        EXPECT_THAT(error.what(), ::testing::StartsWith("Unable to write to " + path.string() + ": "));
    }
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_TRUE(fs::is_empty(path));

    // A key that cannot be stored stops the whole save: no key is written.
    const fs::path other = dir / "other.INI";
    writeFile(other, "[Setting]\nTime1=1\n");
    settings.timers.periodMinutes = 3;
    settings.chartUrl = "http://x/\nTimerEn1=1";
    EXPECT_THROW(saveSettings(other, settings), std::runtime_error);
    EXPECT_EQ(readFile(other), "[Setting]\nTime1=1\n");
}

// Renaming over a file only needs its folder to be writable; a settings file
// its owner made read-only is still refused and left as it was.
TEST(SettingsTest, AFileItsOwnerMadeReadOnlyIsLeftAlone)
{
    if (const int status = test::RerunUnprivileged("SettingsTest.AFileItsOwnerMadeReadOnlyIsLeftAlone"); status >= 0) {
        EXPECT_EQ(status, 0) << "the test failed as an unprivileged user";
        return;
    }
    TempDir dir;
    const fs::path path = dir / "tivka.INI";
    const std::string content = "[Setting]\r\nTime1=7\r\n";
    writeFile(path, content);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    Settings settings;
    try {
        saveSettings(path, settings);
        ADD_FAILURE() << "saving reported success";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + path.string() + ": Permission denied");
    }
    EXPECT_EQ(readFile(path), content);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace tivka
