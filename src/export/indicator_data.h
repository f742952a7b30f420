#pragma once

#include <string>

#include "platform/status.h"
#include "reading/chart_reading.h"

namespace tivka {

// The 720-line data file a MetaTrader 4 indicator reads, CR LF after every
// line: the orders chart's time and current price, "Orders", its levels of
// columns 76-254 and 256-434, "Position", the positions chart's levels of the
// same columns. A level line is "price;buy;sell": the price rounded to 6
// significant digits and `decimals` decimals, always with a ".", and the two
// bar percentages.
std::string IndicatorDataText(const ChartReading& orders, const ChartReading& positions, int decimals);

// The files below live in the MetaTrader terminals' folders, which belong to
// other programs: each is written only as a regular file in that folder
// itself. A symbolic link (even one to a regular file), a folder or a pipe
// of that name is left alone, and the write gives Status::Code::NotAFile
// naming the file.

// Writes `text` as `pathWithoutExtension` + ".csv", created when missing;
// not ok unless the whole file was written (the caller then leaves the flag
// at "1").
Status WriteIndicatorData(const std::string& pathWithoutExtension, const std::string& text);

// Rewrites a request flag file to hold only the single byte `value`. A flag
// is the indicator's: one that is gone (the request was withdrawn) is never
// created again; the result is then NotFound.
Status WriteRequestFlag(const std::string& path, char value);

}  // namespace tivka
