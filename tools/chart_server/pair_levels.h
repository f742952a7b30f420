#pragma once

#include <string>

#include "chart_server/chart_renderer.h"

namespace tivka::charts {

// Where a pair's charts are drawn: its typical price in units of its last
// decimal, how many decimals it prints, and the price step of one column on
// the drifting charts.
struct PairLevel {
    const char* pair;
    int points;
    int digits;
    int stepPoints;
};

// The level of one of the ten listed pairs; any other pair trades near 1.0000.
PairLevel PairLevelOf(const std::string& pairText);

// 10 to the power `digits` (digits >= 0).
int PowerOfTen(int digits);

// `points` in units of the last of `digits` decimals, in fixed notation with
// '.', the way the chart prints prices: FormatPoints(12700, 4) = "1.2700".
std::string FormatPoints(int points, int digits);

// Puts a scale label over every level column (from the fourth on) whose
// price, `stepPoints` a column away from `pricePoints` at the current
// column, is a multiple of `interval`; prices in units of the last decimal.
void PlaceScaleLabels(ChartModel& model, int pricePoints, int stepPoints, int interval);

}  // namespace tivka::charts
