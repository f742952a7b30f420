#pragma once

#include <array>
#include <string>

#include "scheduling/timer_settings.h"

namespace tivka {

constexpr const char* kDefaultChartUrl =
    "http://charts.tivka.example/products/historical_orderbook_graphs/dat/ordersummary/images/";
constexpr const char* kIndicatorSubfolder = "experts\\files\\Tivka\\";

// What the window's selectors held when it last closed, so that a trader
// finds them as they left them: the pair, each pane's filter and each
// chart's variant.
struct WindowChoices {
    std::string pairText = "GBP/USD";
    std::string ordersThreshold = "50";
    bool ordersAtLeast = true;  // ">=", else "<="
    std::string positionsThreshold = "50";
    bool positionsAtLeast = true;
    bool ordersCumulative = false;
    bool positionsCumulative = false;
};

// The settings held in memory between start-up and shut-down.
struct Settings {
    std::string chartUrl = kDefaultChartUrl;
    // The text written for the decimal point glyph read off the charts.
    std::string decimalSymbol = ".";
    // The indicator data folder of each MetaTrader 4 installation: the
    // installation folder as set, followed directly by "experts\files\Tivka\".
    std::array<std::string, 3> indicatorFolders{kIndicatorSubfolder, kIndicatorSubfolder, kIndicatorSubfolder};
    TimerSettings timers;
    WindowChoices choices;
    // Readings older than this many days are deleted from the history at
    // start-up; 0 keeps them all. Read only, never written back.
    int historyDays = 0;
};

// Reads the settings file once, section "Setting": Mt4_Path, Mt4_Path2,
// Mt4_Path3, Symbol, Time1, TimerEn1, Time2, TimerEn2, TIVKA_URL, HistoryDays
// (a negative or unreadable value keeps everything), and the window's
// choices Pair, OrdersFilter, OrdersMode, PositionsFilter, PositionsMode,
// OrdersVariant, PositionsVariant. A missing file, section or key, and a
// choice that is not one the window can hold (a filter that is not a whole
// number, a mode other than ">=" and "<=", a variant other than "cumulative"
// and "noncumulative", an empty pair), takes the default.
// `systemSeparator` is the default of "Symbol" and what "auto", "Auto" and
// "AUTO" stand for.
Settings LoadSettings(const std::string& path, const std::string& systemSeparator);

// Whether a decimal symbol's text asks for the system's separator: "auto",
// "Auto" or "AUTO".
bool MeansAutoSymbol(const std::string& text);

// Writes Time1, Time2, TimerEn1, TimerEn2, TIVKA_URL and the window's choices
// in one atomic replace that keeps everything else in the file. Throws
// std::runtime_error("Unable to write to <file>: <reason>"), the file then as
// it was.
void SaveSettings(const std::string& path, const Settings& settings);

}  // namespace tivka
