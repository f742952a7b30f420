#pragma once

#include <string>

#include "reading/level_records.h"

namespace tivka {

// The 720-line data file, CR LF after every line, from the orders reading
// (line 1 time, line 2 price, "Orders", 2 x 179 rows) and the positions
// reading ("Position", 2 x 179 rows). Prices rounded to 6 significant digits
// and `digits` decimals, "," replaced by ".".
std::string IndicatorDataText(const ChartResults& orders, const ChartResults& positions, int digits,
                              const std::string& systemSeparator);

// Writes `pathWithoutExtension` + ".csv" completely; false when any part of
// the write failed (the caller then leaves the flag at "1").
bool WriteIndicatorDataFile(const std::string& pathWithoutExtension, const ChartResults& orders,
                            const ChartResults& positions, int digits, const std::string& systemSeparator);

// Writes a text made by IndicatorDataText as `pathWithoutExtension` + ".csv",
// so that several folders can receive one text; false as above.
bool WriteIndicatorDataText(const std::string& pathWithoutExtension, const std::string& text);

// Creates the flag file or rewrites it to hold only the single byte `value`.
bool WriteFlagFile(const std::string& path, char value);

}  // namespace tivka
