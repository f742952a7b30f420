#include <gtest/gtest.h>

#include "platform/conversions.h"
#include "reading/chart_reading.h"
#include "support/test_charts.h"

namespace tivka {
namespace {

using test::BasicChart;
using test::DrawBar;
using test::DrawSide;
using test::Join;
using test::Pixels;

ChartReading read(const Bitmap& chart, const ReadingOptions& options = {})
{
    return ReadChart(chart, test::TestDigits(), options);
}

TEST(ChartReading, ScaleStepAndColumnPricesFromTheFirstTwoLabels)
{
    const ChartReading r = read(BasicChart());
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(r.priceText, "1.2345");
    EXPECT_DOUBLE_EQ(r.price, 1.2345);
    EXPECT_EQ(r.timeText, "12:30");
    ASSERT_EQ(r.scale.size(), 2u);
    EXPECT_EQ(r.scale[0].column, 103);
    EXPECT_EQ(r.scale[1].column, 153);
    EXPECT_NEAR(r.step, 0.0002, 1e-18);
    EXPECT_DOUBLE_EQ(r.level(128).price, 1.2550);
    EXPECT_DOUBLE_EQ(r.level(200).price, 1.2694);  // right of every label
    EXPECT_DOUBLE_EQ(r.level(435).price, 1.2600 + 282 * 0.0002);
    EXPECT_DOUBLE_EQ(r.level(75).price, 1.2500 - 28 * 0.0002);  // left of the first label
    EXPECT_EQ(r.level(255).price, 1.2345);                       // the current price's own column
    EXPECT_THROW(r.level(74), std::out_of_range);
    EXPECT_THROW(r.level(436), std::out_of_range);

    // A third label: the step still comes from the first two.
    Bitmap three = BasicChart();
    DrawSide(three, 300, "9.9999");
    const ChartReading t = read(three);
    ASSERT_EQ(t.scale.size(), 3u);
    EXPECT_NEAR(t.step, 0.0002, 1e-18);
    EXPECT_DOUBLE_EQ(t.level(250).price, 9.9999 - 53 * 0.0002);
    EXPECT_DOUBLE_EQ(t.level(303).price, 9.9999);
    EXPECT_DOUBLE_EQ(t.level(400).price, 9.9999 + 97 * 0.0002);
    // Every inked column of the label rows, labels and stray ink alike, in scan order.
    ASSERT_EQ(t.labelInk.size(), 3u);
    EXPECT_EQ(t.labelInk[2].column, 300);
    EXPECT_EQ(t.labelInk[2].text, "9.9999");
}

TEST(ChartReading, OneLabelGivesEveryColumnItsPriceAndNoLabelGivesZero)
{
    Bitmap one(531, 256);
    test::DrawUpright(one, 233, 32, "1.2345");
    DrawSide(one, 300, "1.3000");
    const ChartReading r = read(one);
    EXPECT_EQ(r.scale.size(), 1u);
    EXPECT_EQ(r.step, 0);
    for (int x : {75, 254, 303, 304, 435})
        EXPECT_EQ(r.level(x).price, 1.3) << x;

    Bitmap none(531, 256);
    test::DrawUpright(none, 233, 32, "1.2345");
    const ChartReading n = read(none);
    EXPECT_TRUE(n.scale.empty());
    EXPECT_EQ(n.level(100).price, 0);
    EXPECT_EQ(n.level(400).price, 0);
}

struct BarCase {
    const char* name;
    std::vector<Colour> walk;  // from the axis outwards
    int pixels;
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
    const ChartReading r = read(chart);
    EXPECT_EQ(r.level(100).buyPixels, c.pixels);
    EXPECT_EQ(r.level(300).sellPixels, c.pixels);
    EXPECT_EQ(r.level(300).buyPixels, c.pixels);
    EXPECT_EQ(r.level(100).sellPixels, c.pixels);
    EXPECT_EQ(PercentOf(c.pixels), c.percent);
}

INSTANTIATE_TEST_SUITE_P(
    Walks, BarMeasurement,
    ::testing::Values(
        BarCase{"empty", {}, 0, 0},
        BarCase{"oliveWhiteGrey", Join({Pixels(20, colours::olive), Pixels(1, colours::white), Pixels(10, colours::grey)}), 20, 27},
        BarCase{"greyThenOlive", Join({Pixels(10, colours::grey), Pixels(5, colours::olive)}), 15, 20},
        BarCase{"whiteThenOlive", Join({Pixels(3, colours::white), Pixels(5, colours::olive)}), 5, 6},
        // The other bar colour neither counts nor ends the walk.
        BarCase{"otherColourInside", Join({Pixels(10, colours::olive), Pixels(5, colours::teal), Pixels(27, colours::olive)}), 37, 50},
        BarCase{"half", Pixels(37, colours::olive), 37, 50},
        BarCase{"full74", Pixels(74, colours::olive), 74, 100},
        BarCase{"full75", Pixels(75, colours::olive), 75, 101},
        BarCase{"allGrey", Pixels(75, colours::grey), 75, 101},
        BarCase{"blackIgnored", Join({Pixels(5, colours::black), Pixels(10, colours::grey)}), 10, 13}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChartReading, AxisAndPriceColumnAreNeverMeasured)
{
    Bitmap chart = BasicChart();
    for (int x = 75; x <= 435; ++x)
        chart.setPixel(x, 120, colours::olive);
    DrawBar(chart, 255, true, Pixels(75, colours::olive));
    DrawBar(chart, 255, false, Pixels(75, colours::olive));
    const ChartReading r = read(chart);
    for (int x = 75; x <= 435; ++x) {
        EXPECT_EQ(r.level(x).buyPixels, 0) << x;
        EXPECT_EQ(r.level(x).sellPixels, 0) << x;
    }
}

// A text that is not a number ends the reading there; what was read before
// it is kept.
TEST(ChartReading, UnreadableTextsEndTheReadingWhereTheyStand)
{
    const ChartReading comma = read(BasicChart("1.1111"), {",", "."});
    ASSERT_TRUE(comma.failure);
    EXPECT_EQ(comma.failure->stage, ReadingFailure::Stage::Price);
    EXPECT_EQ(comma.failure->message, "'1,1111' is not a valid floating point value");
    EXPECT_EQ(comma.priceText, "1,1111");
    EXPECT_EQ(comma.timeText, "");
    EXPECT_TRUE(comma.labelInk.empty());
    EXPECT_THROW(comma.throwIfFailed(), ConversionError);

    EXPECT_EQ(read(Bitmap(531, 256)).failure->message, "'' is not a valid floating point value");

    for (const char* label : {"12:30", "1.2.3"}) {
        Bitmap chart = BasicChart();
        DrawBar(chart, 100, true, Pixels(40, colours::olive));
        DrawSide(chart, 300, label);
        const ChartReading r = read(chart);
        ASSERT_TRUE(r.failure) << label;
        EXPECT_EQ(r.failure->stage, ReadingFailure::Stage::ScaleLabel);
        EXPECT_EQ(r.failure->message, "'" + std::string(label) + "' is not a valid floating point value");
        EXPECT_EQ(r.timeText, "12:30");
        EXPECT_EQ(r.scale.size(), 2u);
        EXPECT_EQ(r.labelInk.back().text, label);
        EXPECT_EQ(r.level(100).buyPixels, 0) << "no bar is measured after the failure";
    }
}

TEST(ChartReading, ChartSmallerThanTheGeometryReadsWhatIsThere)
{
    Bitmap small(280, 125);
    small.copyFrom(BasicChart(), 0, 0);
    DrawBar(small, 100, true, Pixels(40, colours::olive));
    DrawBar(small, 270, true, Pixels(5, colours::teal));  // a pass half outside the chart
    const ChartReading r = read(small);
    EXPECT_EQ(r.level(270).buyPixels, 5);
    EXPECT_EQ(r.level(279).buyPixels, 0);
    EXPECT_EQ(r.level(280).buyPixels, 0);
    EXPECT_DOUBLE_EQ(r.price, 1.2345);
    EXPECT_EQ(r.timeText, "");
    EXPECT_TRUE(r.scale.empty());
    EXPECT_EQ(r.level(100).buyPixels, 40);
    for (int x = 75; x <= 435; ++x)
        EXPECT_EQ(r.level(x).sellPixels, 0) << x;
}

}  // namespace
}  // namespace tivka
