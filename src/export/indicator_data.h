#pragma once

#include <string>

#include "reading/chart_reading.h"

namespace tivka {

// The 720-line data file a MetaTrader 4 indicator reads, CR LF after every
// line: the orders chart's time and current price, "Orders", its levels of
// columns 76-254 and 256-434, "Position", the positions chart's levels of the
// same columns. A level line is "price;buy;sell": the price rounded to 6
// significant digits and `decimals` decimals, always with a ".", and the two
// bar percentages.
std::string IndicatorDataText(const ChartReading& orders, const ChartReading& positions, int decimals);

// Writes `text` as `pathWithoutExtension` + ".csv"; false unless the whole
// file was written (the caller then leaves the flag at "1").
bool WriteIndicatorData(const std::string& pathWithoutExtension, const std::string& text);

// Rewrites a request flag file to hold only the single byte `value`. A flag
// is the indicator's: one that is gone (the request was withdrawn) is never
// created again, and the result is then false.
bool WriteRequestFlag(const std::string& path, char value);

}  // namespace tivka
