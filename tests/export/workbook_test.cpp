#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "chart_server/chart_renderer.h"
#include "export/workbook/spreadsheet_export.h"
#include "export/workbook/xlsx_writer.h"
#include "platform/conversions.h"
#include "shell/chart_display.h"
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

const DigitTemplate& digits()
{
    static const DigitTemplate d(charts::DigitTemplateBitmap());
    return d;
}

// A rendered chart read as the window reads it.
ShownChart shown(const charts::ChartModel& model, int threshold)
{
    const Bitmap chart = charts::RenderChart(model);
    Bitmap view = turnQuarter(chart);
    DisplayInputs inputs;
    inputs.thresholdText = std::to_string(threshold);
    inputs.pairText = model.pairText;
    NullTextPainter painter;
    const ChartKind kind = model.kind == charts::ChartKind::Orders ? ChartKind::Orders : ChartKind::Positions;
    return ReadForDisplay(kind, chart, view, digits(), inputs, painter).shown;
}

// Runs the export with the window's part played by the test: the charts
// given are "shown" again on request, workbooks go to `folder`.
class SpreadsheetExport : public ::testing::Test {
protected:
    test::TempDir folder;
    std::vector<std::string> opened;
    std::vector<std::string> events;
    std::map<ChartKind, std::function<ShownChart()>> charts;
    std::string time = "12:30:45";
    SpreadsheetExportHooks hooks;

    SpreadsheetExport()
    {
        hooks.processEvents = [this] { events.push_back("events"); };
        hooks.showBanner = [this](bool on) { events.push_back(on ? "banner on" : "banner off"); };
        hooks.chartsLoaded = [this] { return !charts.empty(); };
        hooks.ordersTime = [this] { return time; };
        hooks.showChart = [this](ChartKind kind) {
            events.push_back(kind == ChartKind::Orders ? "orders" : "positions");
            return charts.at(kind)();
        };
        hooks.writeWorkbook = [this](const Worksheet& sheet) {
            opened.push_back(WriteXlsxFileNoOverwrite(sheet, folder.path().string()));
            return opened.back();
        };
    }

    void showing(const charts::ChartModel& orders, const charts::ChartModel& positions, int threshold = 50)
    {
        charts[ChartKind::Orders] = [=] { return shown(orders, threshold); };
        charts[ChartKind::Positions] = [=] { return shown(positions, threshold); };
    }

    // The error message a failing export ends with.
    std::string failingExport()
    {
        try {
            ExportToSpreadsheet(".", hooks);
        } catch (const std::exception& error) {
            return error.what();
        }
        ADD_FAILURE() << "the export did not fail";
        return {};
    }

    std::string file(const std::string& name) const { return (folder / name).string(); }
};

TEST_F(SpreadsheetExport, TwoRenderedChartsFillTheWholeLayout)
{
    struct Case {
        std::string pair;
        int ordersThreshold;
        int positionsThreshold;
    };
    for (const Case& c : {Case{"EUR/USD", 40, 25}, Case{"USD/JPY", 60, 10}}) {
        SCOPED_TRACE(c.pair);
        auto orders = charts::MakeChartModel(charts::ChartKind::Orders, c.pair, false, 11, "12:30:45");
        for (int x = 256; x <= 435; ++x)  // nothing to list under "Sell limit"
            orders.sell[std::size_t(x - 75)] = {};
        auto positions = charts::MakeChartModel(charts::ChartKind::Positions, c.pair, true, 12, "12:30:40");
        ASSERT_GE(orders.labels.size(), 2u);
        ASSERT_GE(positions.labels.size(), 2u);
        charts[ChartKind::Orders] = [&] { return shown(orders, c.ordersThreshold); };
        charts[ChartKind::Positions] = [&] { return shown(positions, c.positionsThreshold); };
        opened.clear();
        ExportToSpreadsheet(".", hooks);

        Cells expected;
        int row = 1;
        ExpectedSection(orders, c.ordersThreshold)
            .addTo(expected, row, "Orders", {"Buy limit", "Buy stop", "Sell stop", "Sell limit"});
        const int ordersEnd = row;
        ExpectedSection(positions, c.positionsThreshold)
            .addTo(expected, row, "Position", {"Buy +", "Buy -", "Sell -", "Sell +"});

        // 24 cells are labels, headings, prices and times; the rest are levels.
        ASSERT_GT(expected.size(), 24u + 2 * 20) << "too few listed levels to test the layout";
        ASSERT_EQ(opened.size(), 1u);
        const std::string& path = opened[0];
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
    }
}

TEST_F(SpreadsheetExport, EachExportIsANewWorkbookNamedAfterTheOrdersTime)
{
    showing(charts::MakeChartModel(charts::ChartKind::Orders, "GBP/USD", false, 3, "12:30:45"),
            charts::MakeChartModel(charts::ChartKind::Positions, "GBP/USD", false, 4, "12:30:45"), 90);
    ExportToSpreadsheet(".", hooks);
    EXPECT_EQ(events, (std::vector<std::string>{"events", "banner on", "events", "orders", "positions", "banner off"}));
    const std::string firstBytes = test::readFile(file("Tivka 12_30_45.xlsx"));
    ExportToSpreadsheet(".", hooks);
    EXPECT_EQ(opened, (std::vector<std::string>{file("Tivka 12_30_45.xlsx"), file("Tivka 12_30_45 (2).xlsx")}));
    EXPECT_EQ(test::readFile(opened[0]), firstBytes) << "an earlier workbook is never replaced";
    EXPECT_EQ(test::xlsxSheetName(opened[1]), "Tivka 12_30_45");

    charts.clear();  // no chart loaded: an empty sheet named without a time
    time = "";
    events.clear();
    ExportToSpreadsheet(".", hooks);
    EXPECT_EQ(opened.back(), file("Tivka __.xlsx"));
    EXPECT_EQ(test::xlsxCellElementCount(opened.back()), 0u);
    EXPECT_EQ(events, (std::vector<std::string>{"events", "banner on", "events", "banner off"}));
}

TEST(WorkbookSheetName, TakesCharacterPairsOfTheTime)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"12:30:45", "Tivka 12_30_45"}, {"12:30", "Tivka 12_30_"}, {"", "Tivka __"},
        {"1", "Tivka 1__"},             {"12:3", "Tivka 12_3_"},   {"12:30:4", "Tivka 12_30_4"},
        {"12:30:45:99", "Tivka 12_30_45"}, {"1.2.3.4.5", "Tivka 1._.3_4."},
    };
    for (const auto& [time, name] : cases)
        EXPECT_EQ(WorkbookSheetName(time), name) << time;
}

// A step that fails keeps the cells written so far: the partial workbook is
// still written and opened, the banner goes, and the error is the one shown.
TEST_F(SpreadsheetExport, FailurePartWayStillDeliversWhatWasWritten)
{
    auto orders = charts::MakeChartModel(charts::ChartKind::Orders, "GBP/USD", false, 5, "12:30:45");
    auto positions = charts::MakeChartModel(charts::ChartKind::Positions, "GBP/USD", false, 6, "12:30:40");
    auto badLabel = positions;
    badLabel.labels[1].text = "1.2:00";
    struct Case {
        const char* name;
        std::function<ShownChart()> orders;
        std::function<ShownChart()> positions;
        std::string message;
        std::vector<std::string> cells;  // the positions block's cells after the orders block
    };
    const Case cases[] = {
        {"threshold not a number", [&] { return shown(orders, 50); },
         [] () -> ShownChart { throw ConversionError("'5x' is not a valid integer value"); },
         "'5x' is not a valid integer value", {}},
        {"scale label not a number", [&] { return shown(orders, 50); }, [&] { return shown(badLabel, 50); },
         "'1.2:00' is not a valid floating point value", {"Position", "Now Price", "price", "Time", "12:30:40"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        charts[ChartKind::Orders] = c.orders;
        charts[ChartKind::Positions] = c.positions;
        events.clear();
        opened.clear();
        EXPECT_EQ(failingExport(), c.message);
        EXPECT_EQ(events.back(), "banner off");
        ASSERT_EQ(opened.size(), 1u);
        Worksheet complete{"", {}};
        int row = 1;
        const ShownChart ordersShown = shown(orders, 50);
        PutChartBlock(complete, row, ChartKind::Orders, ordersShown.reading, ordersShown.filter, 4, ".");
        EXPECT_EQ(test::xlsxCellElementCount(opened[0]), complete.cells.size() + c.cells.size());
    }
    charts.clear();
    time = "1?:30:00";  // a sheet name the writer refuses
    EXPECT_THAT(failingExport(), ::testing::HasSubstr("'Tivka 1?_30_00' is not allowed"));
}

}  // namespace
}  // namespace tivka
