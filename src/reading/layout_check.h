#pragma once

#include <string>
#include <utility>
#include <vector>

#include "reading/chart_reading.h"

namespace tivka {

// What a sound chart always satisfies, checked on a complete reading: at
// least two scale labels; their values strictly increasing with the column;
// every label within 2 columns of the least-squares line through all of them
// (label columns are whole pixels, so neighbouring steps vary by a few per
// cent on sound charts); the current price inside the prices the scale gives
// the level columns; the time as HH:MM or HH:MM:SS. A broker that changes its
// chart style breaks one of these long before the figures look wrong.
//
// Returns one short description per broken rule (in Russian, as the window
// shows them), none for a sound chart or a reading that stopped early.
std::vector<std::string> LayoutProblems(const ChartReading& reading);

// "Разметка графика изменилась: " + the problems of the named charts, or
// empty when there are none.
std::string LayoutWarning(const std::vector<std::pair<std::string, std::vector<std::string>>>& problemsByChart);

// The warning for a pair's two charts, named `prefix` + "ордера" and `prefix`
// + "позиции".
std::string PairLayoutWarning(const std::string& prefix, const ChartReading& orders, const ChartReading& positions);

}  // namespace tivka
