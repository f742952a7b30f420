// The "Exel" workbook of charts the chart server drew, read as the window
// reads them. What it must hold is worked out from the charts' models alone.
#include <gmock/gmock.h>

#include <clocale>
#include <cstdlib>

#include "chart_server/chart_renderer.h"
#include "export/chart_models.h"
#include "export/workbook/workbook_cells.h"
#include "export/workbook/xlsx_writer.h"
#include "shell/pane_reading.h"
#include "support/test_support.h"
#include "support/xlsx_contents.h"

namespace tivka::test {
namespace {

using Cells = std::map<std::string, CellValue>;

std::string cell(int row, char column)
{
    return column + std::to_string(row);
}

// The cells of one chart's block, from its model: the title one row down,
// the price and the time two rows further, then each group's name and the
// levels whose bar reaches the threshold (the price as the pane shows it and
// the percentage, both numbers).
void addBlock(Cells& cells, int& row, const charts::ChartModel& model, int threshold)
{
    const bool orders = model.kind == charts::ChartKind::Orders;
    const char* groups[] = {"Buy limit", "Buy stop", "Sell stop", "Sell limit", "Buy +", "Buy -", "Sell -", "Sell +"};
    cells[cell(row + 1, 'B')] = std::string(orders ? "Orders" : "Position");
    row += 3;
    cells[cell(row, 'A')] = std::string("Now Price");
    cells[cell(row++, 'C')] = std::strtod(model.priceText.c_str(), nullptr);
    cells[cell(row, 'A')] = std::string("Time");
    cells[cell(row++, 'C')] = model.timeText;
    for (int group = 0; group < 4; ++group) {
        cells[cell(row++, 'B')] = std::string(groups[group + (orders ? 0 : 4)]);
        const auto& bars = group < 2 ? model.buy : model.sell;
        for (int x = group % 2 ? 256 : 75; x < (group % 2 ? 436 : 255); ++x)
            if (100 * bars[std::size_t(x - 75)].countedPixels() >= 74 * threshold) {
                cells[cell(row, 'B')] = std::strtod(ModelPriceText(model, x).c_str(), nullptr);
                cells[cell(row++, 'C')] = double(bars[std::size_t(x - 75)].countedPixels() * 100 / 74);
            }
    }
}

// What the written workbook holds, numbers as numbers.
Cells storedCells(const std::string& path)
{
    Cells cells;
    for (const auto& [name, stored] : xlsxCells(path))
        cells[name] = stored.kind == "n" ? CellValue(std::strtod(stored.value.c_str(), nullptr))
                                         : CellValue(stored.value);
    EXPECT_EQ(xlsxCellElementCount(path), cells.size()) << "cells the reader missed";
    return cells;
}

// The "Exel" workbook with the window's part played by the test: each chart
// is drawn from its model and read again as the window reads it, with the
// filter given; the workbooks go to a folder of their own.
TEST(Workbook, TheWorkbookHoldsBothChartsAsTheWindowShowsThem)
{
    TempDir folder;
    std::vector<std::string> written;
    const auto show = [&](ChartKind kind, const charts::ChartModel& model, int threshold) {
        static const DigitTemplate digits(charts::DigitTemplateBitmap());
        const Bitmap chart = charts::RenderChart(model);
        Bitmap view = turnQuarter(chart);
        NullTextPainter painter;
        const PaneInputs inputs{std::to_string(threshold), true, model.pairText, {}};
        return WorkbookChart{kind, ReadForPane(kind, chart, view, digits, inputs, painter).shown};
    };
    // Numbers keep their point although a library or a plugin switched the
    // program to a comma locale, which the writer leaves as it found it.
    const auto write = [&](const Worksheet& sheet) {
        const std::string locale = std::setlocale(LC_NUMERIC, nullptr);
        EXPECT_TRUE(std::setlocale(LC_NUMERIC, "ru_RU.UTF-8")) << "locale ru_RU.UTF-8 is missing; ./run makes it";
        written.push_back(WriteXlsxFileNoOverwrite(sheet, folder.path().string()));
        char probe[8];
        std::snprintf(probe, sizeof probe, "%.1f", 1.5);
        std::setlocale(LC_NUMERIC, locale.c_str());
        EXPECT_STREQ(probe, "1,5");
    };
    std::vector<Cells> books;
    for (const auto& [pair, ordersThreshold, positionsThreshold] :
         {std::tuple("EUR/USD", 40, 25), std::tuple("USD/JPY", 60, 10)}) {
        SCOPED_TRACE(pair);
        auto orders = charts::MakeChartModel(charts::ChartKind::Orders, pair, false, 11, "12:30:45");
        for (int x = 256; x <= 435; ++x)  // nothing to list under "Sell limit"
            orders.sell[std::size_t(x - 75)] = {};
        const auto positions = charts::MakeChartModel(charts::ChartKind::Positions, pair, true, 12, "12:30:40");
        write(ChartsWorksheet("12:30:45",
                              {show(ChartKind::Orders, orders, ordersThreshold),
                               show(ChartKind::Positions, positions, positionsThreshold)},
                              "."));
        int row = 1;
        addBlock(books.emplace_back(), row, orders, ordersThreshold);
        addBlock(books.back(), row, positions, positionsThreshold);
        ASSERT_GT(books.back().size(), 24u + 40) << "too few levels listed to test the layout";
        EXPECT_EQ(storedCells(written.back()), books.back());
    }
    // Each export is a new workbook named after the orders chart's time,
    // never written over an earlier one.
    EXPECT_EQ(written, (std::vector<std::string>{(folder / "Tivka 12_30_45.xlsx").string(),
                                                 (folder / "Tivka 12_30_45 (2).xlsx").string()}));
    EXPECT_EQ(storedCells(written[0]), books[0]);
}

}  // namespace
}  // namespace tivka::test
