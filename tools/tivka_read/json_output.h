#pragma once

#include <string>

#include "reading/level_records.h"

namespace tivka::read_tool {

// One JSON document with every result of the orders and the positions reading:
// now-records, scale labels, step, decimals and all 361 levels. Numbers are
// written locale-independently in their shortest exact form.
std::string ResultsJson(const ChartResults& orders, const ChartResults& positions);

}  // namespace tivka::read_tool
