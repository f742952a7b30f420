#pragma once

#include <array>
#include <string>

#include "scheduling/timer_settings.h"

namespace tivka {

constexpr const char* kDefaultChartUrl =
    "http://charts.tivka.example/products/historical_orderbook_graphs/dat/ordersummary/images/";
constexpr const char* kIndicatorSubfolder = "experts\\files\\Tivka\\";

// The settings held in memory between start-up and shut-down.
struct Settings {
    std::string chartUrl = kDefaultChartUrl;
    // The text written for the decimal point glyph read off the charts.
    std::string decimalSymbol = ".";
    // The indicator data folder of each MetaTrader 4 installation: the
    // installation folder as set, followed directly by "experts\files\Tivka\".
    std::array<std::string, 3> indicatorFolders{kIndicatorSubfolder, kIndicatorSubfolder, kIndicatorSubfolder};
    TimerSettings timers;
    // Readings older than this many days are deleted from the history at
    // start-up; 0 keeps them all. Read only, never written back.
    int historyDays = 0;
};

// Reads the settings file once, section "Setting": Mt4_Path, Mt4_Path2,
// Mt4_Path3, Symbol, Time1, TimerEn1, Time2, TimerEn2, TIVKA_URL, HistoryDays
// (a negative or unreadable value keeps everything); a missing
// file, section or key takes the default. `systemSeparator` is the default of
// "Symbol" and what "auto", "Auto" and "AUTO" stand for.
Settings LoadSettings(const std::string& path, const std::string& systemSeparator);

// Writes Time1, Time2, TimerEn1, TimerEn2 and TIVKA_URL in one atomic replace
// that keeps everything else in the file. Throws std::runtime_error("Unable
// to write to <file>: <reason>"), the file then as it was.
void SaveSettings(const std::string& path, const Settings& settings);

}  // namespace tivka
