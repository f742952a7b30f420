#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "chart/chart_kind.h"
#include "export/indicator_pass.h"
#include "scheduling/timer_settings.h"
#include "shell/window_choices.h"

namespace tivka {

constexpr const char* kDefaultChartUrl =
    "http://charts.tivka.example/products/historical_orderbook_graphs/dat/ordersummary/images/";
// Where an indicator's files live below a folder setting's value: in a
// terminal's data folder (every MetaTrader 4 since build 600 keeps them there
// and lets an indicator open files nowhere else), and in the installation
// folder of the terminals before it. The names are the terminals' own, case
// included, as Wine keeps them on Linux.
constexpr const char* kDataFolderMark = "MQL4";
constexpr const char* kDataFolderSubfolder = "MQL4\\Files\\Tivka\\";
constexpr const char* kIndicatorSubfolder = "experts\\files\\Tivka\\";

// The settings held in memory between start-up and shut-down. The defaults
// here are the defaults of the settings file's keys.
struct Settings {
    std::string chartUrl = kDefaultChartUrl;
    // The text written for the decimal point glyph read off the charts; the
    // system's separator unless the file says otherwise.
    std::string decimalSymbol = ".";
    // The three MetaTrader 4 folders as set (Mt4_Path, Mt4_Path2,
    // Mt4_Path3): a terminal's data folder or an old installation folder;
    // nothing for a value that was refused, whose folder is then not served.
    std::array<std::optional<std::string>, 3> terminalPaths{"", "", ""};
    TimerSettings timers;
    WindowChoices choices;
    // Readings older than this many days are deleted from the history at
    // start-up; 0 keeps them all.
    int historyDays = 0;
    // Where the window answers the local JSON interface ("PORT" or
    // "HOST:PORT"); empty: it does not.
    std::string listen;
};

// A value of the settings file that was refused rather than used, because
// using it would do harm (a path cut short at a control character).
struct SettingRefusal {
    std::string key;
    std::string value;
};

// One key of section "Setting" besides the window's choices (kChoiceKeys):
// how its text is taken into the settings, and, for the keys written back at
// exit, how it is written. `parse` leaves the default in place for a text the
// key cannot hold; it returns true when the text was refused and the user
// must be told.
struct SettingKey {
    const char* name;
    bool (*parse)(Settings& settings, const std::string& text);
    std::string (*format)(const Settings& settings);  // null: the key is only read
};

// Every key, in the order they are added to a file that lacks them (the
// window's choices after these).
extern const std::vector<SettingKey> kSettingKeys;

struct LoadedSettings {
    Settings settings;
    std::vector<SettingRefusal> refused;
};

// Reads the settings file once: every key of kSettingKeys and kChoiceKeys
// from section "Setting". A missing file, section or key, and a value the key cannot hold
// (a filter that is not a whole number, an unknown mode or variant, an empty
// pair, a number of history days that is not a whole number), takes the
// default. `systemSeparator` is the default of "Symbol" and what "auto",
// "Auto" and "AUTO" stand for. A folder setting holding a control character
// (NUL included) is refused: that folder is not served, and the refusal is
// listed for the user.
LoadedSettings LoadSettings(const std::string& path, const std::string& systemSeparator);

// Whether a decimal symbol's text asks for the system's separator: "auto",
// "Auto" or "AUTO".
bool MeansAutoSymbol(const std::string& text);

// Writes the keys that have a format and the window's choices, in one atomic replace that keeps
// everything else in the file. Throws std::runtime_error("Unable to write to
// <file>: <reason>"), the file then as it was.
void SaveSettings(const std::string& path, const Settings& settings);

// The indicator folder of a folder setting as set, the value followed
// directly by the subfolder (no separator is put between, as the indicators'
// installations expect): "<value>MQL4\Files\Tivka\" when "<value>MQL4" is a
// folder now (a terminal's data folder), else "<value>experts\files\Tivka\"
// (an old installation, and an empty value: below the working folder). Named
// unless the value is empty; not served when the value was refused.
IndicatorFolder IndicatorFolderOf(const std::optional<std::string>& terminalPath);

// The three folders the indicator pass serves, looked up now.
std::array<IndicatorFolder, 3> IndicatorFoldersOf(const Settings& settings);

}  // namespace tivka
