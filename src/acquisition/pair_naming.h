#pragma once

#include <array>
#include <string>

namespace tivka {

// The ten pairs the broker publishes, in the order the window lists them and
// the indicator pass serves them.
extern const std::array<const char*, 10> kPairList;

// Decimals of the prices of a pair: 2 for exactly "USD/JPY", "EUR/JPY" and
// "GBP/JPY" (or the codes USDJPY, EURJPY, GBPJPY), otherwise 4.
int DecimalsOfPairText(const std::string& pairText);
int DecimalsOfPairCode(const std::string& pairCode);

// By character position of the pair text (UTF-8 characters, not bytes):
// PairCode = characters 1-3 and 5-7 ("GBP/USD" -> "GBPUSD"), PairName =
// characters 1-3, "_", 5-7 ("GBP_USD"). Positions past the end add nothing.
std::string PairCode(const std::string& pairText);
std::string PairName(const std::string& pairText);

struct ChartFile {
    std::string url;        // chart address prefix + chart file name
    std::string localName;  // bare file name in the current folder
};

// The charts shown in the window: "pc_"/"pn_" and "oc_"/"on_" + code + ".png".
ChartFile DisplayPositionsChart(const std::string& chartUrl, const std::string& pairText, bool cumulative);
ChartFile DisplayOrdersChart(const std::string& chartUrl, const std::string& pairText, bool cumulative);

// The indicator pass charts: "MTp"/"MTo" + code + ".png".
ChartFile IndicatorPositionsChart(const std::string& chartUrl, const std::string& pairCode, bool cumulative);
ChartFile IndicatorOrdersChart(const std::string& chartUrl, const std::string& pairCode, bool cumulative);

}  // namespace tivka
