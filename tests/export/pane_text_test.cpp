// What a pane lists of a reading, the marks written on its turned chart, and
// the prices of the indicator data file (whose layout the indicator pass tests
// check end to end).
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "export/chart_marks.h"
#include "export/indicator_data.h"
#include "export/pane_text.h"
#include <string_view>
#include <tuple>
#include <vector>

#include "chart/text_painter.h"

namespace tivka {
namespace {

// Records what would be drawn where.
struct RecordingPainter final : TextPainter {
    std::vector<std::tuple<int, int, int, std::string>> texts;
    void drawText(Bitmap&, int x, int y, int fontSize, std::string_view text) override
    {
        texts.emplace_back(x, y, fontSize, std::string(text));
    }
};

using Marks = std::vector<std::tuple<int, int, int, std::string>>;
using Lines = std::vector<std::string>;

// A complete reading priced 1 + column / 10000, with no bars.
ChartReading plainReading()
{
    ChartReading reading;
    reading.priceText = "1.0255";
    reading.price = 1.0255;
    reading.timeText = "12:30";
    for (int x = 75; x <= 435; ++x)
        reading.level(x).price = 1 + x / 10000.0;
    return reading;
}

// The lines of group 0-3 of a complete pane.
Lines group(const Lines& lines, int index)
{
    auto isHeading = [](const std::string& line) { return line.starts_with("---"); };
    auto heading = lines.begin() + 4;
    for (int i = 0; i < index; ++i)
        heading = std::find_if(heading + 1, lines.end(), isHeading);
    return {heading + 1, std::find_if(heading + 1, lines.end(), isHeading)};
}

// "Buy limit" columns 75..254 hold 0..75, 0..75, 0..27 counted pixels: three
// columns for each count up to 27, two for each from 28 to 75.
TEST(PaneText, TheFilterComparesTheUnroundedShareOfAFullBar)
{
    ChartReading staircase = plainReading();
    for (int x = 75; x <= 254; ++x)
        staircase.level(x).buyPixels = (x - 75) % 76;
    // threshold, ">=" (else "<="), "Buy limit" lines, lines of each other group (no bars), first line
    const std::tuple<std::int32_t, bool, std::size_t, std::size_t, std::string> cases[] = {
        {0, true, 180, 180, "1.0075 - 0%"}, {0, false, 3, 180, "1.0075 - 0%"},
        {50, true, 78, 0, "1.0112 - 50%"},               // 37 pixels are exactly 50 %
        {48, false, 3 * 28 + 2 * 8, 180, "1.0075 - 0%"},  // 36 pixels show 48 %, but 36/74 > 0.48
        {101, true, 2, 0, "1.0150 - 101%"}, {INT_MAX, true, 0, 0, ""}, {-5, false, 0, 0, ""}};
    for (const auto& [threshold, atLeast, listed, otherListed, firstLine] : cases) {
        const Lines lines = PaneLines(ChartKind::Orders, staircase, {threshold, atLeast, !atLeast}, 4, ".");
        EXPECT_EQ(group(lines, 0).size(), listed) << threshold;
        EXPECT_EQ(listed ? group(lines, 0).front() : "", firstLine) << threshold;
        for (int i = 1; i < 4; ++i)
            EXPECT_EQ(group(lines, i).size(), otherListed) << threshold << " group " << i;
    }
}

TEST(PaneText, EachGroupListsItsSideOfItsHalfAndTheMarksNameThem)
{
    ChartReading reading = plainReading();
    reading.level(100) = {1.01, 50, 0};   // buy below the price
    reading.level(110) = {1.011, 0, 40};  // sell below
    reading.level(300) = {1.03, 60, 0};   // buy above
    reading.level(310) = {1.031, 5, 70};  // sell above
    reading.labelInk = {{205, "1.2500"}, {206, ""}, {255, "1.2600"}};
    const std::tuple<ChartKind, Lines, Marks> kinds[] = {
        {ChartKind::Orders,
         {"--- Buy limit ---", "--- Buy stop ---", "--- Sell stop ---", "--- Sell limit ---"},
         {{60, 488, 8, "Buy limit"}, {60, 45, 8, "Buy stop"}, {140, 488, 8, "Sell stop"}, {142, 45, 8, "Sell limit"}}},
        {ChartKind::Positions,
         {"--- Buy + ---", "--- Buy - ---", "--- Sell - ---", "--- Sell + ---"},
         {{60, 488, 8, "Buy +    "}, {60, 45, 8, "Buy -   "}, {145, 488, 8, " Sell -   "}, {145, 45, 8, " Sell +   "}}},
    };
    for (const auto& [kind, headings, captions] : kinds) {
        EXPECT_EQ(PaneLines(kind, reading, {}, 4, "."),
                  (Lines{"--- Now Price ----", "1.0255", "--- time ----", "12:30", headings[0], "1.0100 - 67%",
                         headings[1], "1.0300 - 81%", headings[2], "1.0110 - 54%", headings[3], "1.0310 - 94%"}));
        // Every inked label column is written again beside the axis (a lone
        // blank where nothing was recognised), then the four captions.
        Bitmap view(256, 531);
        RecordingPainter painter;
        DrawChartMarks(view, kind, reading, painter);
        Marks expected{{200, 316, 8, "1.2500 "}, {200, 315, 8, " "}, {200, 266, 8, "1.2600 "}};
        expected.insert(expected.end(), captions.begin(), captions.end());
        EXPECT_EQ(painter.texts, expected);
    }
    // The pair's decimals and the system's separator.
    EXPECT_EQ(group(PaneLines(ChartKind::Orders, reading, {}, 2, ","), 0), Lines{"1,01 - 67%"});
    // A reading cut short lists what was read before the text that ended it.
    reading.failure = ReadingFailure{ReadingFailure::Stage::ScaleLabel, "12:30"};
    EXPECT_EQ(PaneLines(ChartKind::Orders, reading, {}, 4, "."),
              (Lines{"--- Now Price ----", "1.0255", "--- time ----", "12:30"}));
    reading.failure->stage = ReadingFailure::Stage::Price;
    EXPECT_EQ(PaneLines(ChartKind::Orders, reading, {}, 4, "."), (Lines{"--- Now Price ----", "1.0255"}));
}

// Six significant digits, then the pair's decimals, always with a "." (the
// system's separator never reaches the file): the indicators parse nothing
// else.
TEST(IndicatorDataText, PricesAreRoundedToSixDigitsAndThePairsDecimalsWithAPoint)
{
    const std::tuple<double, int, std::string> cases[] = {
        {1.23456, 4, "1.2346"},  {109.4567, 2, "109.46"},      {1.2, 4, "1.2000"},  {1.255, 4, "1.2550"},
        {1234.5678, 4, "1234.5700"}, {149.5, 2, "149.50"}, {-0.00001, 4, "0.0000"}, {-1.5, 2, "-1.50"}};
    for (const auto& [price, decimals, text] : cases) {
        ChartReading orders;
        orders.price = orders.level(76).price = price;
        const std::string data = IndicatorDataText(orders, ChartReading{}, decimals);
        EXPECT_EQ(data.substr(0, data.find("\r\nOrders\r\n")), "\r\n" + text) << price;
        EXPECT_EQ(data.substr(data.find("Orders\r\n") + 8, text.size() + 5), text + ";0;0\r") << price;
    }
}

// The readout under the pointer: six significant digits at most, the pair's
// decimals and the system's separator, each bar's share of a full bar.
TEST(ReadoutText, PriceAndSharesOfTheColumnUnderThePointer)
{
    const std::tuple<Level, int, const char*, std::string, std::string> cases[] = {
        {{1.23456, 9, 6}, 4, ".", "1.2346", "1.2346 : Buy-12%  Sell-8%"},
        {{109.875, 3, 31}, 2, ".", "109.88", "109.88 : Buy-4%  Sell-41%"},
        {{1.3, 0, 0}, 4, ",", "1,3000", "1,3000 : Buy-0%  Sell-0%"},
        {{1234.5678, 74, 37}, 4, ".", "1234.5700", "1234.5700 : Buy-100%  Sell-50%"}};
    for (const auto& [level, decimals, separator, price, line] : cases) {
        ChartReading reading;
        reading.level(434) = level;
        const ReadoutText text = ReadoutTexts(reading, decimals, 434, separator);
        EXPECT_EQ(text.price, price);
        EXPECT_EQ(text.line, line);
    }
}

}  // namespace
}  // namespace tivka
