// What the window shows of a reading: the pane lines, the marks on the
// turned chart, the workbook block and the cursor readout's texts.
#include <gtest/gtest.h>

#include <algorithm>

#include "export/chart_marks.h"
#include "export/pane_text.h"
#include "export/workbook/workbook_cells.h"
#include "support/test_charts.h"

namespace tivka {
namespace {

using test::BasicChart;
using test::DrawBar;
using test::Pixels;

ChartReading read(const Bitmap& chart)
{
    return ReadChart(chart, test::TestDigits(), {});
}

// The lines of one group (0-3) of a pane.
std::vector<std::string> group(const std::vector<std::string>& lines, int index)
{
    auto isHeading = [](const std::string& l) { return l.starts_with("---"); };
    auto it = lines.begin() + 4;
    for (int s = 1; s <= index; ++s)
        it = std::find_if(it + 1, lines.end(), isHeading);
    return {it + 1, std::find_if(it + 1, lines.end(), isHeading)};
}

// Buy limit columns 75+n hold n counted pixels (0 to 75, then 0 again).
Bitmap staircaseChart()
{
    Bitmap chart = BasicChart();
    for (int x = 75; x <= 254; ++x)
        DrawBar(chart, x, true, Pixels((x - 75) % 76, colours::olive));
    return chart;
}

struct FilterCase {
    std::int32_t threshold;
    bool atLeast;
    std::size_t listed;       // Buy limit lines
    std::size_t otherListed;  // lines of each other (empty) group
    std::string firstLine;
};

class Filter : public ::testing::TestWithParam<FilterCase> {};

TEST_P(Filter, ListsOnTheUnroundedRatio)
{
    const FilterCase& c = GetParam();
    static const ChartReading staircase = read(staircaseChart());
    const auto lines = PaneLines(ChartKind::Orders, staircase, {c.threshold, c.atLeast, !c.atLeast}, 4, ".");
    const auto buyLimit = group(lines, 0);
    EXPECT_EQ(buyLimit.size(), c.listed);
    if (!buyLimit.empty()) {
        EXPECT_EQ(buyLimit.front(), c.firstLine);
    }
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(group(lines, i).size(), c.otherListed) << i;
}

// Columns 75..254 carry n = 0..75, 0..75, 0..27 counted pixels: three
// columns for each n up to 27, two for each n from 28 to 75.
INSTANTIATE_TEST_SUITE_P(
    Thresholds, Filter,
    ::testing::Values(
        FilterCase{0, true, 180, 180, "1.2444 - 0%"},
        FilterCase{0, false, 3, 180, "1.2444 - 0%"},
        // 37 pixels are exactly 50 %: listed with ">=".
        FilterCase{50, true, 78, 0, "1.2518 - 50%"},
        // 36 pixels show 48 % but 36/74 exceeds 0.48: not listed with "<=".
        FilterCase{48, false, 3 * 28 + 2 * 8, 180, "1.2444 - 0%"},
        FilterCase{101, true, 2, 0, "1.2594 - 101%"},
        FilterCase{2147483647, true, 0, 0, ""},
        FilterCase{-5, false, 0, 0, ""}),
    [](const auto& info) { return "T" + std::to_string(info.index); });

TEST(PaneText, LinesAndMarksOfBothKinds)
{
    Bitmap chart = BasicChart();
    DrawBar(chart, 100, true, Pixels(50, colours::olive));
    DrawBar(chart, 300, true, Pixels(60, colours::teal));
    DrawBar(chart, 110, false, Pixels(40, colours::teal));
    DrawBar(chart, 310, false, Pixels(70, colours::olive));
    const ChartReading reading = read(chart);
    const struct {
        ChartKind kind;
        std::vector<std::string> headings;
        std::vector<std::tuple<int, int, int, std::string>> captions;
    } kinds[] = {
        {ChartKind::Orders,
         {"--- Buy limit ---", "--- Buy stop ---", "--- Sell stop ---", "--- Sell limit ---"},
         {{60, 488, 8, "Buy limit"}, {60, 45, 8, "Buy stop"}, {140, 488, 8, "Sell stop"}, {142, 45, 8, "Sell limit"}}},
        {ChartKind::Positions,
         {"--- Buy + ---", "--- Buy - ---", "--- Sell - ---", "--- Sell + ---"},
         {{60, 488, 8, "Buy +    "}, {60, 45, 8, "Buy -   "}, {145, 488, 8, " Sell -   "}, {145, 45, 8, " Sell +   "}}},
    };
    for (const auto& k : kinds) {
        const std::vector<std::string> expected{
            "--- Now Price ----", "1.2345", "--- time ----", "12:30",
            k.headings[0], "1.2494 - 67%",
            k.headings[1], "1.2894 - 81%",
            k.headings[2], "1.2514 - 54%",
            k.headings[3], "1.2914 - 94%"};
        EXPECT_EQ(PaneLines(k.kind, reading, {}, 4, "."), expected);
        // Every inked label column is written again (a lone blank where
        // nothing was recognised), then the four captions.
        Bitmap view(256, 531);
        test::RecordingPainter painter;
        DrawChartMarks(view, k.kind, reading, painter);
        std::vector<std::tuple<int, int, int, std::string>> draws;
        for (const auto& d : painter.texts)
            if (std::get<3>(d) != " ")
                draws.push_back(d);
        std::vector<std::tuple<int, int, int, std::string>> wanted{{200, 421, 8, "1.2500 "}, {200, 371, 8, "1.2600 "}};
        wanted.insert(wanted.end(), k.captions.begin(), k.captions.end());
        EXPECT_EQ(draws, wanted);
        EXPECT_EQ(painter.texts.size(), reading.labelInk.size() + 4);
    }
    // Decimals are the pair's; the price read is never reformatted.
    const auto yen = PaneLines(ChartKind::Orders, reading, {}, 2, ",");
    EXPECT_EQ(yen[1], "1.2345");
    EXPECT_EQ(group(yen, 0), std::vector<std::string>{"1,25 - 67%"});
}

TEST(PaneText, AReadingThatStoppedGivesTheLinesUpToThatPoint)
{
    Bitmap badPrice = BasicChart("1:2345");
    const ChartReading price = read(badPrice);
    EXPECT_EQ(PaneLines(ChartKind::Orders, price, {}, 4, "."),
              (std::vector<std::string>{"--- Now Price ----", "1:2345"}));
    Bitmap badLabel = BasicChart();
    test::DrawSide(badLabel, 300, "1.2.3");
    const ChartReading label = read(badLabel);
    EXPECT_EQ(PaneLines(ChartKind::Positions, label, {}, 4, "."),
              (std::vector<std::string>{"--- Now Price ----", "1.2345", "--- time ----", "12:30"}));

    // The marks: labels read up to the failing one, no captions.
    Bitmap view(256, 531);
    test::RecordingPainter painter;
    DrawChartMarks(view, ChartKind::Orders, label, painter);
    ASSERT_EQ(painter.texts.size(), label.labelInk.size());
    EXPECT_EQ(std::get<3>(painter.texts.back()), "1.2.3 ");
}

// Both blocks are checked through a written workbook in the workbook tests.
TEST(PaneText, WorkbookRowsOfTheOrdersBlock)
{
    Bitmap chart = BasicChart();
    DrawBar(chart, 100, true, Pixels(50, colours::olive));
    DrawBar(chart, 101, true, Pixels(60, colours::olive));
    DrawBar(chart, 310, false, Pixels(70, colours::olive));
    Worksheet sheet;
    int row = 0;
    PutChartBlock(sheet, row, ChartKind::Orders, read(chart), {}, 4, ".");
    EXPECT_EQ(row, 12);
    using Cell = std::pair<const std::pair<int, int>, CellValue>;
    const std::vector<Cell> expected{
        {{1, 2}, std::string("Orders")}, {{3, 1}, std::string("Now Price")}, {{3, 3}, 1.2345},
        {{4, 1}, std::string("Time")},   {{4, 3}, std::string("12:30")},
        {{5, 2}, std::string("Buy limit")}, {{6, 2}, 1.2494}, {{6, 3}, std::string("67")},
        {{7, 2}, 1.2496}, {{7, 3}, std::string("81")},
        {{8, 2}, std::string("Buy stop")}, {{9, 2}, std::string("Sell stop")},
        {{10, 2}, std::string("Sell limit")}, {{11, 2}, 1.2914}, {{11, 3}, std::string("94")}};
    EXPECT_EQ(std::vector<Cell>(sheet.cells.begin(), sheet.cells.end()), expected);
}

TEST(PaneText, ReadoutOfAColumn)
{
    Bitmap chart = BasicChart();
    DrawBar(chart, 128, true, Pixels(50, colours::olive));
    DrawBar(chart, 128, false, Pixels(75, colours::teal));
    const ChartReading reading = read(chart);
    const ReadoutText text = ReadoutTexts(reading, 4, 128, ",");
    EXPECT_EQ(text.price, "1,2550");
    EXPECT_EQ(text.line, "1,2550 : Buy-67%  Sell-101%");
    EXPECT_EQ(ReadoutTexts(reading, 2, 255, ".").line, "1.23 : Buy-0%  Sell-0%");
    // At most 6 significant digits.
    ChartReading big;
    big.level(100).price = 1234.56789;
    EXPECT_EQ(ReadoutTexts(big, 4, 100, ".").price, "1234.5700");
}

}  // namespace
}  // namespace tivka
