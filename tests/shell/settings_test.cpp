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

const std::string kDefaultKeys = std::string("Time1=0\nTime2=33\nTimerEn1=0\nTimerEn2=0\nTIVKA_URL=") +
                                 kDefaultChartUrl +
                                 "\nPair=GBP/USD\nOrdersFilter=50\nOrdersMode=>=\nPositionsFilter=50\n"
                                 "PositionsMode=>=\nOrdersVariant=noncumulative\nPositionsVariant=noncumulative\n"
                                 "WindowPosition=\n";

std::tuple<std::string, std::string, bool, std::string, bool, bool, bool> fieldsOf(const WindowChoices& c)
{
    constexpr ChartKind o = ChartKind::Orders, p = ChartKind::Positions;
    return {c.pairText, c.threshold[o], c.atLeast[o], c.threshold[p], c.atLeast[p], c.cumulative[o], c.cumulative[p]};
}

WindowChoices choices(std::string pair, std::string ordersThreshold, bool ordersAtLeast, std::string positionsThreshold,
                      bool positionsAtLeast, bool ordersCumulative, bool positionsCumulative)
{
    return {pair, {{ordersThreshold, positionsThreshold}}, {{ordersAtLeast, positionsAtLeast}},
            {{ordersCumulative, positionsCumulative}}};
}

std::vector<std::string> foldersOf(const Settings& settings)
{
    std::vector<std::string> folders;
    for (const auto& path : settings.terminalPaths)
        folders.push_back(IndicatorFolderOf(path).path);
    return folders;
}

TEST(SettingsTest, NoFileGivesTheDefaultsAndSavingWritesEveryKeyItKeeps)
{
    TempDir dir;
    const std::string path = (dir / "tivka.INI").string();
    const Settings settings = LoadSettings(path, ",").settings;
    EXPECT_EQ(std::tie(settings.timers.periodMinutes, settings.timers.periodicEnabled, settings.timers.hourlyMinute,
                       settings.timers.hourlyEnabled),
              std::make_tuple(0, false, 33, false));
    EXPECT_EQ(settings.chartUrl, kDefaultChartUrl);
    EXPECT_EQ(settings.decimalSymbol, ",");
    EXPECT_THAT(foldersOf(settings), ::testing::Each(std::string("experts\\files\\Tivka\\")));
    EXPECT_FALSE(fs::exists(path)) << "reading never creates the file";
    SaveSettings(path, settings);
    EXPECT_EQ(readFile(path), "[Setting]\n" + kDefaultKeys);

    // Keys Tivka only reads, and other sections, are kept as they were.
    writeFile(path, "[setting]\r\nMt4_Path=C:\\MT4\\\r\nSymbol=auto\r\n[Other]\r\nTIVKA_URL=x\r\n");
    SaveSettings(path, LoadSettings(path, ",").settings);
    std::string keys = kDefaultKeys;
    for (std::size_t at = 0; (at = keys.find('\n', at)) != std::string::npos; at += 2)
        keys.replace(at, 1, "\r\n");
    EXPECT_EQ(readFile(path), "[setting]\r\nMt4_Path=C:\\MT4\\\r\nSymbol=auto\r\n" + keys + "[Other]\r\nTIVKA_URL=x\r\n");
}

TEST(SettingsTest, ReadsEveryKey)
{
    TempDir dir;
    const fs::path path = dir / "tivka.INI";
    writeFile(path, "[Setting]\r\nMt4_Path=C:\\MT4\\\r\nMt4_Path2=/opt/mt4 second/\r\nMt4_Path3=C:\\MT4\r\nTime1=0x1E\r\n"
                    "TimerEn1=2\r\nTime2=15\r\nTimerEn2=yes\r\nTIVKA_URL=http://127.0.0.1:8080/charts/\r\nHistoryDays=30\r\nSymbol=.\r\n");
    const LoadedSettings loaded = LoadSettings(path.string(), ",");
    const Settings& settings = loaded.settings;
    EXPECT_TRUE(loaded.refused.empty());
    EXPECT_THAT(foldersOf(settings),
                ::testing::ElementsAre("C:\\MT4\\experts\\files\\Tivka\\", "/opt/mt4 second/experts\\files\\Tivka\\",
                                       "C:\\MT4experts\\files\\Tivka\\"));
    EXPECT_EQ(settings.timers.periodMinutes, 30);
    EXPECT_TRUE(settings.timers.periodicEnabled);
    EXPECT_EQ(settings.timers.hourlyMinute, 15);
    EXPECT_FALSE(settings.timers.hourlyEnabled) << "\"yes\" is not a number";
    EXPECT_EQ(settings.chartUrl, "http://127.0.0.1:8080/charts/");
    EXPECT_EQ(settings.historyDays, 30);
    EXPECT_EQ(settings.decimalSymbol, ".");
}

// A folder setting holding a control character would be cut short at the
// system, and the file at the cut-off path would receive flags and data: it is
// refused, that folder is not served, and the user is told which key.
TEST(SettingsTest, AFolderSettingWithAControlCharacterIsRefused)
{
    TempDir dir;
    const fs::path path = dir / "tivka.INI";
    writeFile(path, std::string("[Setting]\nMt4_Path=/tmp/a") + '\0' + "/b/\nMt4_Path2=/ok/\nMt4_Path3=C:\\MT4\t\\\n");
    const LoadedSettings loaded = LoadSettings(path.string(), ".");
    EXPECT_THAT(foldersOf(loaded.settings), ::testing::ElementsAre("", "/ok/experts\\files\\Tivka\\", ""));
    ASSERT_EQ(loaded.refused.size(), 2u);
    EXPECT_EQ(loaded.refused[0].key, "Mt4_Path");
    EXPECT_EQ(loaded.refused[1].key, "Mt4_Path3");
}

// A folder setting names a terminal's data folder (it holds MQL4, as every
// terminal since build 600 keeps it) or an old installation folder, told
// apart by looking; the names are matched as the terminal writes them.
TEST(SettingsTest, AFolderSettingNamesADataFolderOrAnOldInstallation)
{
    TempDir dir;
    const std::string data = (dir / "Terminal" / "0123ABCD").string() + "/";
    fs::create_directories(data + "MQL4/Files");
    const std::string old = (dir / "MetaTrader 4").string() + "/";
    fs::create_directories(old + "experts/files");
    const std::string lowerCase = (dir / "lower").string() + "/";
    fs::create_directories(lowerCase + "mql4/files");
    const std::string plainFile = (dir / "file").string() + "/";
    writeFile(plainFile + "MQL4", "");
    const std::tuple<std::optional<std::string>, std::string, bool> cases[] = {
        {data, data + "MQL4\\Files\\Tivka\\", true},
        {old, old + "experts\\files\\Tivka\\", true},
        // "mql4/files" is MQL4\Files only where the file system ignores case.
        {lowerCase, lowerCase + (fs::exists(dir / "LOWER" / "MQL4") ? "MQL4\\Files" : "experts\\files") + "\\Tivka\\", true},
        {plainFile, plainFile + "experts\\files\\Tivka\\", true},
        // No separator is put in: the value names its own folder's parent.
        {data.substr(0, data.size() - 1), data.substr(0, data.size() - 1) + "experts\\files\\Tivka\\", true},
        {"", "experts\\files\\Tivka\\", false},
        {std::nullopt, "", false},
    };
    for (const auto& [value, path, named] : cases) {
        const IndicatorFolder folder = IndicatorFolderOf(value);
        EXPECT_EQ(std::tie(folder.path, folder.named), std::tie(path, named)) << value.value_or("refused");
    }
}

// The window's choices come back as they were left; a file written by an
// older Tivka, or a value the window cannot hold, gives today's defaults.
TEST(SettingsTest, WindowChoicesRoundTripAndFallBackToTheDefaults)
{
    TempDir dir;
    const std::string path = (dir / "tivka.INI").string();
    Settings chosen;
    for (const WindowChoices& choices :
         {choices("usd/jpy typed", "70", false, "15", true, true, false),
          choices("EUR/GBP", "101", true, "0", false, false, true)}) {
        chosen.choices = choices;
        SaveSettings(path, chosen);
        EXPECT_EQ(fieldsOf(LoadSettings(path, ".").settings.choices), fieldsOf(choices));
    }
    for (const std::string& file : {std::string("[Setting]\nTime1=5\nHistoryDays=-5\n"),
                                    std::string("[Setting]\nPair=\nOrdersFilter=5x\nOrdersMode=>\n"
                                                "PositionsFilter=\nPositionsMode=ge\nOrdersVariant=1\n"
                                                "PositionsVariant=CUMULATIVE\nHistoryDays=x\nTIVKA_URL\n"),
                                    std::string("[Setting]\nOrdersFilter=102\nPositionsFilter=-3\n")}) {
        writeFile(path, file);
        const Settings read = LoadSettings(path, ".").settings;
        EXPECT_EQ(fieldsOf(read.choices), fieldsOf(WindowChoices{})) << file;
        EXPECT_EQ(read.historyDays, 0) << file;
        EXPECT_EQ(read.chartUrl, kDefaultChartUrl) << file << ": a stray key line without \"=\"";
    }
}

TEST(SettingsTest, SymbolAutoMeansTheSystemSeparator)
{
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"AUTO", ",", ","}, {"auto", ",", ","}, {"Auto", ".", "."}, {"aUTO", ",", "aUTO"},
        {".", ",", "."},    {",", ".", ","},    {"", ",", ""}};
    TempDir dir;
    const fs::path path = dir / "tivka.INI";
    for (const auto& [stored, system, expected] : cases) {
        writeFile(path, std::string("[Setting]\nSymbol=") + stored + "\n");
        EXPECT_EQ(LoadSettings(path.string(), system).settings.decimalSymbol, expected) << stored;
    }
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
    try {
        SaveSettings(path.string(), Settings{});
        ADD_FAILURE() << "saving reported success";
    } catch (const std::runtime_error& error) {
        // The system's words: "Permission denied" on Linux, "Access denied" on Windows.
        EXPECT_THAT(std::string(error.what()), ::testing::AnyOf("Unable to write to " + path.string() + ": Permission denied",
                                                                "Unable to write to " + path.string() + ": Access denied",
                                                                "Unable to write to " + path.string() + ": Access is denied"));
    }
    EXPECT_EQ(readFile(path), content);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace tivka
