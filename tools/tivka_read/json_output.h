#pragma once

#include <string>

#include "export/pane_text.h"

namespace tivka::read_tool {

// One JSON document with every figure of the orders and the positions
// reading: current price and time, scale labels, step, decimals and all 361
// levels. Numbers are written locale-independently in their shortest exact
// form.
std::string ResultsJson(const ShownChart& orders, const ShownChart& positions);

}  // namespace tivka::read_tool
