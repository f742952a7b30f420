#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "chart/chart_kind.h"
#include "reading/chart_reading.h"

namespace tivka {

// The filter under a pane: a level is listed when its bar is at least (or at
// most) `threshold` per cent of a full bar, compared on the unrounded ratio.
struct PaneFilter {
    std::int32_t threshold = 50;
    bool atLeast = true;   // ">="
    bool atMost = false;   // "<="
};

// A chart as the window shows it: the reading, the filter of its pane and the
// decimals of its pair.
struct ShownChart {
    ChartReading reading;
    PaneFilter filter;
    int decimals = 4;
};

// Whether a bar of `countedPixels` passes: 100n >= 74T for ">=", 100n <= 74T
// for "<=", in 64 bits so that no threshold overflows.
bool PassesFilter(int countedPixels, const PaneFilter& filter);

// The four groups of a chart in reading order: buy bars left and right of the
// current price, then sell bars left and right ("Buy limit", "Buy stop",
// "Sell stop", "Sell limit" for orders; "Buy +", "Buy -", "Sell -", "Sell +"
// for positions).
const std::array<const char*, 4>& GroupNames(ChartKind kind);

// One group's columns and side.
struct GroupColumns {
    int firstColumn;
    int lastColumn;
    bool buy;
};
GroupColumns ColumnsOfGroup(int group);

// A level's price as the panes and the workbook show it: fixed notation with
// `decimals` decimals, at most 15 significant digits, `systemSeparator`.
std::string PanePriceText(double price, int decimals, const std::string& systemSeparator);

// The lines of a chart's pane: "--- Now Price ----", the price text as read,
// "--- time ----", the time text, then each group's heading
// ("--- Buy limit ---") and its listed levels ("1.2550 - 27%"), lowest
// column first. A reading that stopped early gives the lines up to that
// point: the price heading and the unreadable text, or the four lines of
// price and time when a scale label was not a number.
std::vector<std::string> PaneLines(ChartKind kind, const ChartReading& reading, const PaneFilter& filter,
                                   int decimals, const std::string& systemSeparator);

// What the cursor readout shows for a chart column: the price with at most 6
// significant digits, and "<price> : Buy-<b>%  Sell-<s>%".
struct ReadoutText {
    std::string price;
    std::string line;
};
ReadoutText ReadoutTexts(const ChartReading& reading, int decimals, int column, const std::string& systemSeparator);

}  // namespace tivka
