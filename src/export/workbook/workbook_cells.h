#pragma once

#include <map>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "export/pane_text.h"
#include "reading/chart_reading.h"

namespace tivka {

// A cell's value: a text or a number.
using CellValue = std::variant<std::string, double>;

// One worksheet: its name and its cells keyed by (row, column), both counted
// from 1. A later write to the same cell replaces the earlier one.
struct Worksheet {
    std::string name;
    std::map<std::pair<int, int>, CellValue> cells;

    void put(int row, int column, CellValue value) { cells[{row, column}] = std::move(value); }
};

// "Tivka " + characters 1-2, "_", 4-5, "_", 7-8 of the orders chart's time
// text; positions past its end add nothing ("12:30" gives "Tivka 12_30_").
std::string WorkbookSheetName(const std::string& timeText);

// Writes one chart's block, starting after `row` (1 for the first block):
// one row down, the title ("Orders" or "Position") in column B; two rows
// down "Now Price" in A and the current price in C; "Time" in A and the time
// text in C; then each group's name in B followed by its listed levels
// (price as shown in the pane, as a number, in B; percentage text in C).
// Leaves `row` on the first row after the block. A reading that stopped
// early writes the cells up to that point.
void PutChartBlock(Worksheet& sheet, int& row, ChartKind kind, const ChartReading& reading, const PaneFilter& filter,
                   int decimals, const std::string& systemSeparator);

// One chart as the window showed it when the workbook was asked for.
struct WorkbookChart {
    ChartKind kind = ChartKind::Orders;
    ShownChart shown;
};

// The "Exel" workbook's sheet: named after the orders chart's time as last
// read (WorkbookSheetName), then the block of each chart given, in the order
// given (the window gives orders, then positions, and stops at the first
// chart it could not read, whose block is written as far as it was read).
Worksheet ChartsWorksheet(const std::string& ordersTimeText, const std::vector<WorkbookChart>& charts,
                          const std::string& systemSeparator);

}  // namespace tivka
