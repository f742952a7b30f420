#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "chart_server/chart_renderer.h"
#include "export/spreadsheet_transfer.h"
#include "platform/spreadsheet_server.h"
#include "reading/chart_reader.h"
#include "support/test_support.h"
#include "support/xlsx_contents.h"

namespace tivka {
namespace {

using Cells = std::map<std::string, CellValue>;

std::string reference(int row, int column)
{
    return std::string(1, char('A' + column - 1)) + std::to_string(row);
}

// The worksheet cells one reader's section must produce, worked out from the
// model the chart was drawn from. Whole-number percentage texts are stored
// as numbers, so they are expected as numbers here.
class ExpectedSection {
public:
    ExpectedSection(const charts::ChartModel& model, int threshold) : model_(model), threshold_(threshold) {}

    void addTo(Cells& cells, int& row, const std::string& heading, const std::array<std::string, 4>& groups) const
    {
        row += 1;
        cells[reference(row, 2)] = heading;
        row += 2;
        cells[reference(row, 1)] = std::string("Now Price");
        cells[reference(row++, 3)] = std::strtod(model_.priceText.c_str(), nullptr);
        cells[reference(row, 1)] = std::string("Time");
        cells[reference(row++, 3)] = model_.timeText;
        addGroup(cells, row, groups[0], 75, model_.buy);
        addGroup(cells, row, groups[1], 256, model_.buy);
        addGroup(cells, row, groups[2], 75, model_.sell);
        addGroup(cells, row, groups[3], 256, model_.sell);
    }

private:
    void addGroup(Cells& cells, int& row, const std::string& name, int first,
                  const std::array<charts::BarDrawing, 361>& bars) const
    {
        cells[reference(row++, 2)] = name;
        for (int x = first; x < first + 180; ++x) {
            int counted = bars[std::size_t(x - 75)].countedPixels();
            if (100 * counted < 74 * threshold_)
                continue;
            cells[reference(row, 2)] = roundedPrice(x);
            cells[reference(row++, 3)] = double(100 * counted / 74);
        }
    }

    // Linear from the first two labels, anchored at the first label at or
    // right of the column (the last one past them), rounded as printed.
    double roundedPrice(int x) const
    {
        const auto& labels = model_.labels;
        auto column = [&](std::size_t i) { return labels[i].firstInkColumn + 3; };
        auto price = [&](std::size_t i) { return std::strtod(labels[i].text.c_str(), nullptr); };
        double step = (price(1) - price(0)) / (column(1) - column(0));
        std::size_t anchor = 0;
        while (anchor + 1 < labels.size() && column(anchor) < x)
            ++anchor;
        char text[64];
        std::snprintf(text, sizeof text, "%.*f", model_.digits, price(anchor) - (column(anchor) - x) * step);
        return std::strtod(text, nullptr);
    }

    const charts::ChartModel& model_;
    int threshold_;
};

// What the written workbook holds, numbers as numbers.
Cells storedCells(const std::string& path)
{
    Cells cells;
    for (const auto& [ref, cell] : test::xlsxCells(path))
        cells[ref] = cell.kind == "n" ? CellValue(std::strtod(cell.value.c_str(), nullptr)) : CellValue(cell.value);
    return cells;
}

struct Screen {
    Bitmap chart;
    Bitmap view;
    ScreenReaderInputs inputs;
    ChartResults results;
};

Screen screenFor(const charts::ChartModel& model, int threshold)
{
    Screen screen;
    screen.chart = charts::RenderChart(model);
    screen.view = turnQuarter(screen.chart);
    screen.inputs.thresholdText = std::to_string(threshold);
    screen.inputs.pairText = model.pairText;
    return screen;
}

TEST(SpreadsheetLayout, TransferOfTwoRenderedChartsFillsTheWholeLayout)
{
    struct Case {
        std::string pair;
        int ordersThreshold;
        int positionsThreshold;
    };
    for (const Case& c : {Case{"EUR/USD", 40, 25}, Case{"USD/JPY", 60, 10}}) {
        SCOPED_TRACE(c.pair);
        test::TempDir folder;
        ScopedAutomationClass server(kSpreadsheetClassName, SpreadsheetServerFactory({folder.path().string(), {}}));

        auto orders = charts::MakeChartModel(charts::ChartKind::Orders, c.pair, false, 11, "12:30:45");
        for (int x = 256; x <= 435; ++x)  // nothing to list under "Sell limit"
            orders.sell[std::size_t(x - 75)] = {};
        auto positions = charts::MakeChartModel(charts::ChartKind::Positions, c.pair, true, 12, "12:30:40");
        ASSERT_GE(orders.labels.size(), 2u);
        ASSERT_GE(positions.labels.size(), 2u);

        Screen ordersScreen = screenFor(orders, c.ordersThreshold);
        Screen positionsScreen = screenFor(positions, c.positionsThreshold);
        DigitTemplate digits(charts::DigitTemplateBitmap());
        GlyphWindows windows;
        NullTextPainter painter;
        struct : LineSink {
            void clear() override {}
            void addLine(const std::string&) override {}
        } memo;

        SpreadsheetState state;
        SpreadsheetTransferHooks hooks;
        hooks.processEvents = [] {};
        hooks.showBanner = [](bool) {};
        hooks.imagesLoaded = [] { return true; };
        hooks.ordersTime = [&] { return orders.timeText; };
        hooks.runReaders = [&](SpreadsheetChannel& channel) {
            for (auto* screen : {&ordersScreen, &positionsScreen})
                ReadChartOnScreen(screen == &ordersScreen ? ChartKind::Orders : ChartKind::Positions, screen->chart,
                                  screen->view, digits, windows, painter, screen->inputs, memo, screen->results,
                                  channel);
        };
        RunSpreadsheetTransfer(state, hooks);

        Cells expected;
        int row = 1;
        ExpectedSection(orders, c.ordersThreshold)
            .addTo(expected, row, "Orders", {"Buy limit", "Buy stop", "Sell stop", "Sell limit"});
        const int ordersEnd = row;
        ExpectedSection(positions, c.positionsThreshold)
            .addTo(expected, row, "Position", {"Buy +", "Buy -", "Sell -", "Sell +"});

        // 24 cells are labels, headings, prices and times; the rest are levels.
        ASSERT_GT(expected.size(), 24u + 2 * 20) << "too few listed levels to test the layout";

        const std::string path = (folder / "Tivka 12_30_45.xlsx").string();
        ASSERT_TRUE(std::filesystem::exists(path));
        Cells stored = storedCells(path);
        EXPECT_EQ(stored, expected);
        EXPECT_EQ(test::xlsxCellElementCount(path), expected.size());

        // Landmarks: orders at the top, "Sell limit" alone on its row, one
        // empty row before "Position", positions keeping their own price.
        EXPECT_EQ(stored["B2"], CellValue(std::string("Orders")));
        EXPECT_EQ(stored["C4"], CellValue(orders.price));
        EXPECT_EQ(stored["C5"], CellValue(std::string("12:30:45")));
        EXPECT_EQ(stored["B6"], CellValue(std::string("Buy limit")));
        EXPECT_EQ(stored[reference(ordersEnd - 1, 2)], CellValue(std::string("Sell limit")));
        EXPECT_EQ(stored.count(reference(ordersEnd, 2)), 0u);
        EXPECT_EQ(stored[reference(ordersEnd + 1, 2)], CellValue(std::string("Position")));
        EXPECT_EQ(stored[reference(ordersEnd + 3, 3)], CellValue(positions.price));
        EXPECT_EQ(stored[reference(ordersEnd + 4, 3)], CellValue(std::string("12:30:40")));
        EXPECT_FALSE(state.channel.ExcelExport);
    }
}

}  // namespace
}  // namespace tivka
