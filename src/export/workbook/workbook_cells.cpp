#include "export/workbook/workbook_cells.h"

#include "platform/conversions.h"

namespace tivka {

namespace {

constexpr int kLabelColumn = 1;
constexpr int kHeadingColumn = 2;
constexpr int kValueColumn = 3;

void putGroup(Worksheet& sheet, int& row, ChartKind kind, int group, const ChartReading& reading,
              const PaneFilter& filter, int decimals, const std::string& separator)
{
    sheet.put(row++, kHeadingColumn, std::string(GroupNames(kind)[std::size_t(group)]));
    const GroupColumns columns = ColumnsOfGroup(group);
    for (int x = columns.firstColumn; x <= columns.lastColumn; ++x) {
        const Level& level = reading.level(x);
        const int counted = columns.buy ? level.buyPixels : level.sellPixels;
        if (!PassesFilter(counted, filter))
            continue;
        // The price exactly as the pane shows it.
        sheet.put(row, kHeadingColumn, ParseNumber(PanePriceText(level.price, decimals, separator), separator));
        sheet.put(row++, kValueColumn, std::to_string(PercentOf(counted)));
    }
}

}  // namespace

std::string WorkbookSheetName(const std::string& timeText)
{
    auto chars = [&](std::size_t first) { return first < timeText.size() ? timeText.substr(first, 2) : ""; };
    return "Tivka " + chars(0) + "_" + chars(3) + "_" + chars(6);
}

void PutChartBlock(Worksheet& sheet, int& row, ChartKind kind, const ChartReading& reading, const PaneFilter& filter,
                   int decimals, const std::string& systemSeparator)
{
    row += 1;
    sheet.put(row, kHeadingColumn, std::string(kind == ChartKind::Orders ? "Orders" : "Position"));
    row += 2;
    sheet.put(row, kLabelColumn, std::string("Now Price"));
    if (reading.failure && reading.failure->stage == ReadingFailure::Stage::Price)
        return;
    sheet.put(row++, kValueColumn, reading.price);
    sheet.put(row, kLabelColumn, std::string("Time"));
    sheet.put(row++, kValueColumn, reading.timeText);
    if (!reading.complete())
        return;
    for (int group = 0; group < 4; ++group)
        putGroup(sheet, row, kind, group, reading, filter, decimals, systemSeparator);
}

Worksheet ChartsWorksheet(const std::string& ordersTimeText, const std::vector<WorkbookChart>& charts,
                          const std::string& systemSeparator)
{
    Worksheet sheet;
    sheet.name = WorkbookSheetName(ordersTimeText);
    int row = 1;
    for (const WorkbookChart& chart : charts)
        PutChartBlock(sheet, row, chart.kind, chart.shown.reading, chart.shown.filter, chart.shown.decimals,
                      systemSeparator);
    return sheet;
}

}  // namespace tivka
