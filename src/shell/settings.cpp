#include "shell/settings.h"

#include <algorithm>
#include <stdexcept>

#include "platform/conversions.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/paths.h"

namespace tivka {

namespace {

constexpr const char* kSection = "Setting";

std::optional<std::int32_t> integerOf(const std::string& text)
{
    std::int32_t value = 0;
    return TryParseInteger(text, value) ? std::optional(value) : std::nullopt;
}

template <auto Field>
SettingKey textKey(const char* name)
{
    return {name,
            [](Settings& s, const std::string& text) {
                s.*Field = text;
                return false;
            },
            [](const Settings& s) { return s.*Field; }};
}

template <auto Field>
SettingKey timerNumber(const char* name)
{
    return {name,
            [](Settings& s, const std::string& text) {
                s.timers.*Field = integerOf(text).value_or(s.timers.*Field);
                return false;
            },
            [](const Settings& s) { return std::to_string(s.timers.*Field); }};
}

template <auto Field>
SettingKey timerSwitch(const char* name)
{
    return {name,
            [](Settings& s, const std::string& text) {
                if (auto value = integerOf(text))
                    s.timers.*Field = *value != 0;
                return false;
            },
            [](const Settings& s) { return std::string(s.timers.*Field ? "1" : "0"); }};
}

// A control character would cut the path short at the system, and a file at
// the cut-off path would receive the flags and data files.
template <std::size_t Index>
SettingKey terminalPath(const char* name)
{
    return {name,
            [](Settings& s, const std::string& text) {
                const bool control = std::any_of(text.begin(), text.end(), [](char c) {
                    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
                });
                s.terminalPaths[Index] = control ? std::nullopt : std::optional(text);
                return control;
            },
            nullptr};
}

}  // namespace

const std::vector<SettingKey> kSettingKeys = {
    terminalPath<0>("Mt4_Path"),
    terminalPath<1>("Mt4_Path2"),
    terminalPath<2>("Mt4_Path3"),
    {"Symbol",
     [](Settings& s, const std::string& text) {
         if (!MeansAutoSymbol(text))
             s.decimalSymbol = text;
         return false;
     },
     nullptr},
    // A value that is not a whole number of days never deletes anything.
    {"HistoryDays",
     [](Settings& s, const std::string& text) {
         s.historyDays = std::max(0, integerOf(text).value_or(0));
         return false;
     },
     nullptr},
    {"Listen",
     [](Settings& s, const std::string& text) {
         s.listen = text;
         return false;
     },
     nullptr},
    timerNumber<&TimerSettings::periodMinutes>("Time1"),
    timerNumber<&TimerSettings::hourlyMinute>("Time2"),
    timerSwitch<&TimerSettings::periodicEnabled>("TimerEn1"),
    timerSwitch<&TimerSettings::hourlyEnabled>("TimerEn2"),
    textKey<&Settings::chartUrl>("TIVKA_URL"),
};

bool MeansAutoSymbol(const std::string& text)
{
    return text == "auto" || text == "Auto" || text == "AUTO";
}

LoadedSettings LoadSettings(const std::string& path, const std::string& systemSeparator)
{
    const Result<IniValues> read = ReadIniFile(path);
    const IniValues file = read.ok() ? read.value() : IniValues();
    LoadedSettings loaded;
    loaded.settings.decimalSymbol = systemSeparator;
    // A key that is not there keeps its default.
    for (const SettingKey& key : kSettingKeys)
        if (auto text = file.find(kSection, key.name); text && key.parse(loaded.settings, *text))
            loaded.refused.push_back({key.name, *text});
    for (const ChoiceKey& key : kChoiceKeys)
        if (auto text = file.find(kSection, key.name))
            key.parse(loaded.settings.choices, *text);
    return loaded;
}

void SaveSettings(const std::string& path, const Settings& settings)
{
    IniEntries entries;
    for (const SettingKey& key : kSettingKeys)
        if (key.format)
            entries.push_back({key.name, key.format(settings)});
    for (const ChoiceKey& key : kChoiceKeys)
        entries.push_back({key.name, key.format(settings.choices)});
    if (const Status written = WriteIniEntries(path, kSection, entries); !written.ok())
        throw std::runtime_error("Unable to write to " + path + ": " + written.detail());
}

IndicatorFolder IndicatorFolderOf(const std::optional<std::string>& terminalPath)
{
    if (!terminalPath)
        return {};
    const bool dataFolder = IsFolder(NativePath(*terminalPath + kDataFolderMark));
    return {*terminalPath + (dataFolder ? kDataFolderSubfolder : kIndicatorSubfolder), !terminalPath->empty()};
}

std::array<IndicatorFolder, 3> IndicatorFoldersOf(const Settings& settings)
{
    std::array<IndicatorFolder, 3> folders;
    for (std::size_t i = 0; i < folders.size(); ++i)
        folders[i] = IndicatorFolderOf(settings.terminalPaths[i]);
    return folders;
}

}  // namespace tivka
