#include <gtest/gtest.h>

#include <algorithm>

#include "platform/conversions.h"
#include "reading/chart_reader.h"
#include "reading/chart_scan.h"
#include "reading_fixtures.h"

namespace tivka {
namespace {

using test::BasicChart;
using test::DrawBar;
using test::DrawSide;
using test::Join;
using test::RecordingCells;
using test::RecordingPainter;
using test::RecordingSink;
using test::Pixels;

// One on-screen reader with everything it writes to.
struct ScreenReading {
    DigitTemplate digits{test::TestGlyphs()};
    GlyphWindows windows;
    Bitmap view{256, 531};
    RecordingPainter painter;
    RecordingSink memo;
    RecordingCells cells;
    SpreadsheetChannel sheet;
    ScreenReaderInputs inputs;
    ChartResults results;

    void read(const Bitmap& chart, ChartKind kind = ChartKind::Orders)
    {
        ReadChartOnScreen(kind, chart, view, digits, windows, painter, inputs, memo, results, sheet);
    }
    // The lines of one section (0-3) of the pane.
    std::vector<std::string> section(int index) const
    {
        auto it = memo.lines.begin() + 4;
        for (int s = 1; s <= index; ++s)
            it = std::find_if(it + 1, memo.lines.end(), [](const std::string& l) { return l.starts_with("---"); });
        auto end = std::find_if(it + 1, memo.lines.end(), [](const std::string& l) { return l.starts_with("---"); });
        return {it + 1, end};
    }
};

ChartResults readForIndicator(const Bitmap& chart, const std::string& code = "GBPUSD")
{
    ChartResults results;
    GlyphWindows windows;
    CalcMT4(code, chart, DigitTemplate(test::TestGlyphs()), windows, ".", ".", results);
    return results;
}

TEST(ChartReading, ScaleStepAndColumnPricesFromTheFirstTwoLabels)
{
    const ChartResults r = readForIndicator(BasicChart());
    EXPECT_DOUBLE_EQ(r.Now.Price, 1.2345);
    EXPECT_EQ(r.Now.Time, "12:30");
    ASSERT_EQ(r.ScaleCount, 2);
    EXPECT_EQ(r.Scale[0].Column, 103);
    EXPECT_EQ(r.Scale[1].Column, 153);
    EXPECT_NEAR(r.Step, 0.0002, 1e-18);
    EXPECT_DOUBLE_EQ(r.Levels[128].Price, 1.2550);
    EXPECT_DOUBLE_EQ(r.Levels[200].Price, 1.2694);  // right of every label
    EXPECT_DOUBLE_EQ(r.Levels[435].Price, 1.2600 + 282 * 0.0002);
    EXPECT_DOUBLE_EQ(r.Levels[75].Price, 1.2500 - 28 * 0.0002);  // left of the first label
    EXPECT_EQ(r.Levels[255].Price, 0);                             // never written by the indicator reader
    EXPECT_EQ(r.Digits, 4);

    // A third label: the step still comes from the first two.
    Bitmap three = BasicChart();
    DrawSide(three, 300, "9.9999");
    const ChartResults t = readForIndicator(three);
    ASSERT_EQ(t.ScaleCount, 3);
    EXPECT_NEAR(t.Step, 0.0002, 1e-18);
    EXPECT_DOUBLE_EQ(t.Levels[250].Price, 9.9999 - 53 * 0.0002);
    EXPECT_DOUBLE_EQ(t.Levels[400].Price, 9.9999 + 97 * 0.0002);
}

TEST(ChartReading, OneLabelGivesEveryColumnItsPriceAndNoLabelGivesZero)
{
    Bitmap one(531, 256);
    test::DrawUpright(one, 233, 32, "1.2345");
    DrawSide(one, 300, "1.3000");
    ChartResults r = readForIndicator(one);
    EXPECT_EQ(r.ScaleCount, 1);
    EXPECT_EQ(r.Step, 0);
    for (int x : {75, 254, 303, 304, 435})
        EXPECT_EQ(r.Levels[x].Price, 1.3) << x;

    Bitmap none(531, 256);
    test::DrawUpright(none, 233, 32, "1.2345");
    // Label slots left from an earlier reading must not be consulted.
    r.Scale[0] = {7.0, 400};
    GlyphWindows windows;
    CalcMT4("GBPUSD", none, DigitTemplate(test::TestGlyphs()), windows, ".", ".", r);
    EXPECT_EQ(r.ScaleCount, 0);
    EXPECT_EQ(r.Levels[100].Price, 0);
    EXPECT_EQ(r.Levels[400].Price, 0);
}

struct BarCase {
    const char* name;
    std::vector<Colour> walk;  // from the axis outwards
    int percent;
};

class BarMeasurement : public ::testing::TestWithParam<BarCase> {};

TEST_P(BarMeasurement, CountsBarColourAndGreyBeforeWhite)
{
    const BarCase& c = GetParam();
    Bitmap chart = BasicChart();
    // Olive is the bar colour of buy left and sell right of the price, teal the other two.
    DrawBar(chart, 100, true, c.walk);
    DrawBar(chart, 300, false, c.walk);
    std::vector<Colour> swapped = c.walk;
    for (Colour& p : swapped)
        p = p == colours::olive ? colours::teal : p == colours::teal ? colours::olive : p;
    DrawBar(chart, 300, true, swapped);
    DrawBar(chart, 100, false, swapped);
    const ChartResults r = readForIndicator(chart);
    EXPECT_EQ(r.Levels[100].BuyPercent, c.percent);
    EXPECT_EQ(r.Levels[300].SellPercent, c.percent);
    EXPECT_EQ(r.Levels[300].BuyPercent, c.percent);
    EXPECT_EQ(r.Levels[100].SellPercent, c.percent);
}

INSTANTIATE_TEST_SUITE_P(
    Walks, BarMeasurement,
    ::testing::Values(
        BarCase{"empty", {}, 0},
        BarCase{"oliveWhiteGrey", Join({Pixels(20, colours::olive), Pixels(1, colours::white), Pixels(10, colours::grey)}), 27},
        BarCase{"greyThenOlive", Join({Pixels(10, colours::grey), Pixels(5, colours::olive)}), 20},
        BarCase{"whiteThenOlive", Join({Pixels(3, colours::white), Pixels(5, colours::olive)}), 6},
        // The other bar colour neither counts nor ends the walk.
        BarCase{"otherColourInside", Join({Pixels(10, colours::olive), Pixels(5, colours::teal), Pixels(27, colours::olive)}), 50},
        BarCase{"half", Pixels(37, colours::olive), 50},
        BarCase{"full74", Pixels(74, colours::olive), 100},
        BarCase{"full75", Pixels(75, colours::olive), 101},
        BarCase{"allGrey", Pixels(75, colours::grey), 101},
        BarCase{"blackIgnored", Join({Pixels(5, colours::black), Pixels(10, colours::grey)}), 13}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChartReading, AxisAndPriceColumnAreNeverMeasured)
{
    Bitmap chart = BasicChart();
    for (int x = 75; x <= 435; ++x)
        chart.setPixel(x, 120, colours::olive);
    DrawBar(chart, 255, true, Pixels(75, colours::olive));
    DrawBar(chart, 255, false, Pixels(75, colours::olive));
    ScreenReading s;
    s.inputs.thresholdText = "1";
    s.read(chart);
    for (int x = 75; x <= 435; ++x) {
        EXPECT_EQ(s.results.Levels[x].BuyPercent, 0) << x;
        EXPECT_EQ(s.results.Levels[x].SellPercent, 0) << x;
    }
    EXPECT_EQ(s.results.Levels[255].Price, 1.2345);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(s.section(i).empty()) << i;
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
    const char* threshold;
    bool atLeast;
    std::size_t listed;        // Buy limit lines
    std::size_t otherListed;   // lines of each other (empty) section
    std::string firstLine;
};

class Filter : public ::testing::TestWithParam<FilterCase> {};

TEST_P(Filter, ListsOnTheUnroundedRatio)
{
    const FilterCase& c = GetParam();
    ScreenReading s;
    s.inputs.thresholdText = c.threshold;
    s.inputs.atLeast = c.atLeast;
    s.inputs.atMost = !c.atLeast;
    s.read(staircaseChart());
    const auto buyLimit = s.section(0);
    EXPECT_EQ(s.results.Levels[111].BuyPercent, 48);  // stored whether listed or not
    EXPECT_EQ(buyLimit.size(), c.listed);
    if (!buyLimit.empty()) {
        EXPECT_EQ(buyLimit.front(), c.firstLine);
    }
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(s.section(i).size(), c.otherListed) << i;
}

// Columns 75..254 carry n = 0..75, 0..75, 0..27 counted pixels: three
// columns for each n up to 27, two for each n from 28 to 75.
INSTANTIATE_TEST_SUITE_P(
    Thresholds, Filter,
    ::testing::Values(
        FilterCase{"0", true, 180, 180, "1.2444 - 0%"},
        FilterCase{"0", false, 3, 180, "1.2444 - 0%"},
        // 37 pixels are exactly 50 %: listed with ">=".
        FilterCase{"50", true, 78, 0, "1.2518 - 50%"},
        // 36 pixels show 48 % but 36/74 exceeds 0.48: not listed with "<=".
        FilterCase{"48", false, 3 * 28 + 2 * 8, 180, "1.2444 - 0%"},
        FilterCase{"101", true, 2, 0, "1.2594 - 101%"},
        FilterCase{"2147483647", true, 0, 0, ""},
        FilterCase{"-5", false, 0, 0, ""}),
    [](const auto& info) { return "T" + std::to_string(info.index); });

TEST(ChartReading, PaneLinesAndDrawingsOfBothKinds)
{
    Bitmap chart = BasicChart();
    DrawBar(chart, 100, true, Pixels(50, colours::olive));
    DrawBar(chart, 300, true, Pixels(60, colours::teal));
    DrawBar(chart, 110, false, Pixels(40, colours::teal));
    DrawBar(chart, 310, false, Pixels(70, colours::olive));
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
        ScreenReading s;
        s.read(chart, k.kind);
        const std::vector<std::string> expected{
            "--- Now Price ----", "1.2345", "--- time ----", "12:30",
            k.headings[0], "1.2494 - 67%",
            k.headings[1], "1.2894 - 81%",
            k.headings[2], "1.2514 - 54%",
            k.headings[3], "1.2914 - 94%"};
        EXPECT_EQ(s.memo.lines, expected);
        EXPECT_EQ(s.memo.clears, 1);
        // Every inked label column redraws its text (a lone blank where
        // nothing was recognised), then the four captions.
        std::vector<std::tuple<int, int, int, std::string>> draws;
        for (const auto& d : s.painter.texts)
            if (std::get<3>(d) != " ")
                draws.push_back(d);
        std::vector<std::tuple<int, int, int, std::string>> wanted{{200, 421, 8, "1.2500 "}, {200, 371, 8, "1.2600 "}};
        wanted.insert(wanted.end(), k.captions.begin(), k.captions.end());
        EXPECT_EQ(draws, wanted);
        EXPECT_EQ(s.results.Levels[255].Price, 1.2345);
        EXPECT_EQ(s.results.Levels[255].BuyPercent, 0);
    }
}

TEST(ChartReading, DigitsFollowTheExactPairText)
{
    const struct {
        const char* pair;
        int digits;
        const char* line;
    } cases[] = {{"GBP/JPY", 2, "1.25 - 67%"}, {"gbp/jpy", 4, "1.2494 - 67%"},
                 {"USD/JPY", 2, "1.25 - 67%"}, {"EUR/USD", 4, "1.2494 - 67%"}};
    Bitmap chart = BasicChart();
    DrawBar(chart, 100, true, Pixels(50, colours::olive));
    for (const auto& c : cases) {
        ScreenReading s;
        s.inputs.pairText = c.pair;
        s.read(chart);
        EXPECT_EQ(s.results.Digits, c.digits) << c.pair;
        EXPECT_EQ(s.memo.lines[1], "1.2345") << c.pair;  // read text is not reformatted
        EXPECT_EQ(s.section(0), std::vector<std::string>{c.line}) << c.pair;
    }
    EXPECT_EQ(readForIndicator(chart, "USDJPY").Digits, 2);
    EXPECT_EQ(readForIndicator(chart, "GBPUSD").Digits, 4);
    EXPECT_EQ(readForIndicator(chart, "USD/JPY").Digits, 4);
}

TEST(ChartReading, SecondRunGivesTheSameTextAndResults)
{
    const Bitmap chart = staircaseChart();
    ScreenReading s;
    s.read(chart);
    const auto lines = s.memo.lines;
    const ChartResults first = s.results;
    s.read(chart);
    EXPECT_EQ(s.memo.lines, lines);
    EXPECT_TRUE(test::SameResults(s.results, first));
}

template <class Run>
void expectConversionError(Run run, const std::string& message)
{
    try {
        run();
        ADD_FAILURE() << "no error, expected " << message;
    } catch (const ConversionError& e) {
        EXPECT_EQ(e.what(), message);
    }
}

TEST(ChartReading, BadThresholdChangesNothing)
{
    ScreenReading s;
    s.read(staircaseChart());
    const auto lines = s.memo.lines;
    const ChartResults before = s.results;
    s.inputs.thresholdText = "5O";
    s.inputs.pairText = "USD/JPY";
    const auto row = s.sheet.ExcelRow;
    expectConversionError([&] { s.read(BasicChart("1.1111")); }, "'5O' is not a valid integer value");
    EXPECT_EQ(s.memo.lines, lines);
    EXPECT_EQ(s.memo.clears, 1);
    EXPECT_TRUE(test::SameResults(s.results, before));
    EXPECT_EQ(s.sheet.ExcelRow, row);
}

TEST(ChartReading, UnreadableTextsFail)
{
    ScreenReading s;
    s.read(staircaseChart());
    ChartResults before = s.results;
    s.inputs.decimalSymbol = ",";
    s.inputs.pairText = "EUR/JPY";
    expectConversionError([&] { s.read(BasicChart("1.1111")); }, "'1,1111' is not a valid floating point value");
    EXPECT_EQ(s.memo.lines, (std::vector<std::string>{"--- Now Price ----", "1,1111"}));
    before.Digits = 2;
    EXPECT_TRUE(test::SameResults(s.results, before)) << "earlier results kept, except the digits";

    // The indicator reader fails the same way, on an empty text and on labels too.
    ChartResults r;
    GlyphWindows windows;
    const DigitTemplate digits(test::TestGlyphs());
    EXPECT_THROW(CalcMT4("GBPUSD", BasicChart("1.1111"), digits, windows, ",", ".", r), ConversionError);
    expectConversionError([&] { CalcMT4("GBPUSD", Bitmap(531, 256), digits, windows, ".", ".", r); },
                          "'' is not a valid floating point value");
    for (const char* label : {"12:30", "1.2.3"}) {
        Bitmap chart = BasicChart();
        DrawSide(chart, 300, label);
        EXPECT_THROW(readForIndicator(chart), ConversionError) << label;
    }
}

TEST(ChartReading, ChartSmallerThanTheGeometryReadsWhatIsThere)
{
    Bitmap small(280, 125);
    small.copyFrom(BasicChart(), 0, 0);
    DrawBar(small, 100, true, Pixels(40, colours::olive));
    DrawBar(small, 270, true, Pixels(5, colours::teal));  // a pass half outside the chart
    const ChartResults r = readForIndicator(small);
    EXPECT_EQ(r.Levels[270].BuyPercent, 6);
    EXPECT_EQ(r.Levels[279].BuyPercent, 0);
    EXPECT_EQ(r.Levels[280].BuyPercent, 0);
    EXPECT_DOUBLE_EQ(r.Now.Price, 1.2345);
    EXPECT_EQ(r.Now.Time, "");
    EXPECT_EQ(r.ScaleCount, 0);
    EXPECT_EQ(r.Levels[100].BuyPercent, 54);
    for (int x = 75; x <= 435; ++x)
        EXPECT_EQ(r.Levels[x].SellPercent, 0) << x;
}

// Both blocks are checked through a written workbook in the export tests.
TEST(ChartReading, SpreadsheetRowsOfTheOrdersBlock)
{
    Bitmap chart = BasicChart();
    DrawBar(chart, 100, true, Pixels(50, colours::olive));
    DrawBar(chart, 101, true, Pixels(60, colours::olive));
    DrawBar(chart, 310, false, Pixels(70, colours::olive));
    ScreenReading s;
    s.sheet = {true, 0, &s.cells};
    s.read(chart, ChartKind::Orders);
    EXPECT_EQ(s.sheet.ExcelRow, 12);
    using C = std::tuple<int, int, CellValue>;
    const std::vector<C> expected{
        C{1, 2, std::string("Orders")}, C{3, 1, std::string("Now Price")}, C{3, 3, 1.2345},
        C{4, 1, std::string("Time")}, C{4, 3, std::string("12:30")},
        C{5, 2, std::string("Buy limit")}, C{6, 2, 1.2494}, C{6, 3, std::string("67")},
        C{7, 2, 1.2496}, C{7, 3, std::string("81")},
        C{8, 2, std::string("Buy stop")}, C{9, 2, std::string("Sell stop")},
        C{10, 2, std::string("Sell limit")}, C{11, 2, 1.2914}, C{11, 3, std::string("94")}};
    EXPECT_EQ(s.cells.cells, expected);

    ScreenReading quiet;
    quiet.sheet.ExcelSheet = &quiet.cells;
    quiet.read(chart);
    EXPECT_EQ(quiet.sheet.ExcelRow, 9);
    EXPECT_TRUE(quiet.cells.cells.empty());
}

TEST(ChartReading, IndicatorReadingLeavesOnScreenResultsAlone)
{
    ScreenReading s;
    s.read(staircaseChart(), ChartKind::Positions);
    const ChartResults before = s.results;
    const GlyphWindows windowsBefore = s.windows;

    Bitmap other = BasicChart("1.9999", "23:59");
    DrawBar(other, 200, true, Pixels(30, colours::olive));
    ChartResults mt4;
    GlyphWindows set2;
    CalcMT4("USDJPY", other, s.digits, set2, ".", ".", mt4);
    EXPECT_DOUBLE_EQ(mt4.Now.Price, 1.9999);
    EXPECT_EQ(mt4.Levels[200].BuyPercent, 40);
    EXPECT_TRUE(test::SameResults(s.results, before));
    EXPECT_EQ(s.windows.upright, windowsBefore.upright);
    EXPECT_EQ(s.windows.side, windowsBefore.side);
}

}  // namespace
}  // namespace tivka
