#pragma once

#include <cstdint>
#include <string>

namespace tivka {

class IniFile;

constexpr const char* kDefaultChartUrl =
    "http://charts.tivka.example/products/historical_orderbook_graphs/dat/ordersummary/images/";
constexpr const char* kMt4Subfolder = "experts\\files\\Tivka\\";

// The settings held in memory between start-up and shut-down.
struct Settings {
    std::string ChartURL = kDefaultChartUrl;
    std::string DecimalSymbol = ".";
    std::string Mt4Dir1 = kMt4Subfolder;
    std::string Mt4Dir2 = kMt4Subfolder;
    std::string Mt4Dir3 = kMt4Subfolder;
    std::int32_t Time1 = 0;
    bool TimerEn1 = false;
    std::int32_t Time2 = 33;
    bool TimerEn2 = false;
};

// Reads the nine keys of section "Setting", in order, with their defaults.
// `systemSeparator` is the system's decimal separator (the "auto" value and
// the default of "Symbol").
void READINI(IniFile& iniFile, Settings& settings, const std::string& systemSeparator);

// Writes Time1, Time2, TimerEn1, TimerEn2, TIVKA_URL in this order. Throws
// std::runtime_error("Unable to write to <file>") and stops at the first key
// that cannot be written.
void SAVEINI(IniFile& iniFile, const Settings& settings);

}  // namespace tivka
