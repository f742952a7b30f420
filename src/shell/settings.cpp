#include "shell/settings.h"

#include <algorithm>

#include "platform/conversions.h"
#include "platform/ini_file.h"

namespace tivka {

namespace {

constexpr const char* kSection = "Setting";

// Only these three spellings mean "use the system's separator".
std::string thresholdOrDefault(const IniValues& file, const char* key, const std::string& fallback)
{
    std::int32_t ignored = 0;
    const std::string text = file.readString(kSection, key, fallback);
    return TryParseInteger(text, ignored) ? text : fallback;
}

// ">=" and "<=" are the two filters; anything else keeps the default.
bool atLeastOrDefault(const IniValues& file, const char* key, bool fallback)
{
    const std::string text = file.readString(kSection, key, "");
    return text == "<=" ? false : text == ">=" ? true : fallback;
}

bool cumulativeOrDefault(const IniValues& file, const char* key, bool fallback)
{
    const std::string text = file.readString(kSection, key, "");
    return text == "cumulative" ? true : text == "noncumulative" ? false : fallback;
}

WindowChoices loadChoices(const IniValues& file)
{
    WindowChoices choices;
    const std::string pair = file.readString(kSection, "Pair", "");
    if (!pair.empty())
        choices.pairText = pair;
    choices.ordersThreshold = thresholdOrDefault(file, "OrdersFilter", choices.ordersThreshold);
    choices.ordersAtLeast = atLeastOrDefault(file, "OrdersMode", choices.ordersAtLeast);
    choices.positionsThreshold = thresholdOrDefault(file, "PositionsFilter", choices.positionsThreshold);
    choices.positionsAtLeast = atLeastOrDefault(file, "PositionsMode", choices.positionsAtLeast);
    choices.ordersCumulative = cumulativeOrDefault(file, "OrdersVariant", choices.ordersCumulative);
    choices.positionsCumulative = cumulativeOrDefault(file, "PositionsVariant", choices.positionsCumulative);
    return choices;
}

IniEntries choiceEntries(const WindowChoices& choices)
{
    return {{"Pair", choices.pairText},
            {"OrdersFilter", choices.ordersThreshold},
            {"OrdersMode", choices.ordersAtLeast ? ">=" : "<="},
            {"PositionsFilter", choices.positionsThreshold},
            {"PositionsMode", choices.positionsAtLeast ? ">=" : "<="},
            {"OrdersVariant", choices.ordersCumulative ? "cumulative" : "noncumulative"},
            {"PositionsVariant", choices.positionsCumulative ? "cumulative" : "noncumulative"}};
}

}  // namespace

bool MeansAutoSymbol(const std::string& text)
{
    return text == "auto" || text == "Auto" || text == "AUTO";
}

Settings LoadSettings(const std::string& path, const std::string& systemSeparator)
{
    const IniValues file = ReadIniFile(path);
    Settings settings;
    // The paths get the subfolder appended as they stand: "C:\MT4" gives
    // "C:\MT4experts\files\Tivka\", as the indicators' installations expect.
    const char* pathKeys[] = {"Mt4_Path", "Mt4_Path2", "Mt4_Path3"};
    for (std::size_t i = 0; i < settings.indicatorFolders.size(); ++i)
        settings.indicatorFolders[i] = file.readString(kSection, pathKeys[i], "") + kIndicatorSubfolder;
    const std::string symbol = file.readString(kSection, "Symbol", systemSeparator);
    settings.decimalSymbol = MeansAutoSymbol(symbol) ? systemSeparator : symbol;
    settings.timers.periodMinutes = file.readInteger(kSection, "Time1", 0);
    settings.timers.periodicEnabled = file.readBool(kSection, "TimerEn1", false);
    settings.timers.hourlyMinute = file.readInteger(kSection, "Time2", 33);
    settings.timers.hourlyEnabled = file.readBool(kSection, "TimerEn2", false);
    settings.chartUrl = file.readString(kSection, "TIVKA_URL", kDefaultChartUrl);
    settings.choices = loadChoices(file);
    // A value that is not a whole number of days never deletes anything.
    settings.historyDays = std::max(0, file.readInteger(kSection, "HistoryDays", 0));
    return settings;
}

void SaveSettings(const std::string& path, const Settings& settings)
{
    const TimerSettings& timers = settings.timers;
    IniEntries entries{{"Time1", std::to_string(timers.periodMinutes)},
                       {"Time2", std::to_string(timers.hourlyMinute)},
                       {"TimerEn1", timers.periodicEnabled ? "1" : "0"},
                       {"TimerEn2", timers.hourlyEnabled ? "1" : "0"},
                       {"TIVKA_URL", settings.chartUrl}};
    for (auto& entry : choiceEntries(settings.choices))
        entries.push_back(std::move(entry));
    WriteIniEntries(path, kSection, entries);
}

}  // namespace tivka
