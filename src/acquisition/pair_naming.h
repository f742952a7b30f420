#pragma once

#include <array>
#include <string>

#include "chart/chart_kind.h"

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

// What a chart is fetched for; its local file's name tells the two apart, so
// that the indicator pass never touches the window's files.
enum class ChartUse { Display, Indicator };

// Where a pair's two charts come from: the chart folder's address, the pair
// as chosen or listed, and each chart's variant.
struct PairSource {
    std::string chartUrl;
    std::string pairText;
    PerChart<bool> cumulative;
};

// One chart's address: the chart folder's address + "orders_" or
// "posentryprice_" + "noncumulative_" unless cumulative + PairName + ".png",
// where each piece of PairName has every byte but a letter, a digit or "/"
// percent-encoded ("GB#/USD" asks for "GB%23_USD"; the ten pairs' names are
// unchanged).
// Its local file: "oc_"/"on_"/"pc_"/"pn_" (orders or positions, cumulative or
// not) + PairCode + ".png" for the display, "MTo"/"MTp" + PairCode + ".png"
// for the indicator pass.
ChartFile ChartFileOf(ChartUse use, const PairSource& source, ChartKind kind);

}  // namespace tivka
