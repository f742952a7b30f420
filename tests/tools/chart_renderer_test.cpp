#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "acquisition/pair_naming.h"
#include "chart_server/chart_renderer.h"
#include "reading/digit_template.h"

namespace tivka::charts {
namespace {

const std::vector<std::string> kPairs = {"GBP/USD", "EUR/USD", "AUD/USD", "USD/JPY", "USD/CAD",
                                         "USD/CHF", "EUR/GBP", "EUR/JPY", "EUR/CHF", "GBP/JPY"};

// Every model of every pair and variant over a few seeds.
template <typename Check>
void forManyModels(Check check, int seeds = 6)
{
    for (const std::string& pair : kPairs)
        for (ChartKind kind : {ChartKind::Orders, ChartKind::Positions})
            for (bool cumulative : {true, false})
                for (int seed = 0; seed < seeds; ++seed) {
                    SCOPED_TRACE(pair + " seed " + std::to_string(seed) + (cumulative ? " cum" : " noncum"));
                    check(MakeChartModel(kind, pair, cumulative, std::uint64_t(seed) * 7919, "12:34"));
                }
}

TEST(ChartModel, PriceAndDecimalsFitThePair)
{
    struct Case {
        const char* pair;
        double level;
        int digits;
    };
    const Case cases[] = {{"GBP/USD", 1.27, 4}, {"EUR/USD", 1.08, 4}, {"USD/JPY", 149.5, 2},
                          {"EUR/JPY", 161, 2},  {"GBP/JPY", 189, 2},  {"AUD/USD", 0.66, 4}};
    for (const Case& c : cases)
        for (int seed = 0; seed < 20; ++seed) {
            const ChartModel m = MakeChartModel(ChartKind::Orders, c.pair, true, seed, "09:05");
            EXPECT_EQ(m.digits, c.digits) << c.pair;
            EXPECT_NEAR(m.price, c.level, c.level * 0.011) << c.pair;
            const auto point = m.priceText.find('.');
            ASSERT_NE(point, std::string::npos) << m.priceText;
            EXPECT_EQ(m.priceText.size() - point - 1, std::size_t(c.digits)) << m.priceText;
            EXPECT_DOUBLE_EQ(std::stod(m.priceText), m.price);
            EXPECT_EQ(m.timeText, "09:05");
        }
}

TEST(ChartModel, LabelsFollowOneLinearScaleThroughThePrice)
{
    forManyModels([](const ChartModel& m) {
        ASSERT_GE(m.labels.size(), 2u);
        const ScaleLabel& a = m.labels[0];
        const ScaleLabel& b = m.labels[1];
        const double step = (b.price - a.price) / (b.firstInkColumn - a.firstInkColumn);
        EXPECT_GT(step, 0);
        const double tolerance = std::pow(10.0, -m.digits) / 100;
        // Column 255 carries the current price on the same scale.
        EXPECT_NEAR(a.price + (255 - (a.firstInkColumn + 3)) * step, m.price, tolerance);
        for (const ScaleLabel& label : m.labels) {
            EXPECT_NEAR(a.price + (label.firstInkColumn - a.firstInkColumn) * step, label.price, tolerance);
            EXPECT_DOUBLE_EQ(std::stod(label.text), label.price) << label.text;
        }
    });
}

TEST(ChartModel, BarsStayInsideTheirSideAndSomeAreFull)
{
    int fullBars = 0;
    forManyModels([&](const ChartModel& m) {
        for (const auto* side : {&m.buy, &m.sell})
            for (const BarDrawing& bar : *side) {
                ASSERT_GE(bar.greyBefore, 0);
                ASSERT_GE(bar.barPixels, 0);
                ASSERT_LE(bar.countedPixels() + (bar.greyAfterWhite > 0 ? 1 + bar.greyAfterWhite : 0), 75);
                fullBars += bar.countedPixels() == 75;
            }
    });
    EXPECT_GT(fullBars, 0) << "no bar reads as 101 %";
}

TEST(ChartModel, CumulativeBarsGrowAwayFromThePrice)
{
    for (int seed = 0; seed < 30; ++seed) {
        const ChartModel m = MakeChartModel(ChartKind::Positions, "EUR/USD", true, seed, "10:00");
        for (const auto* side : {&m.buy, &m.sell})
            for (int d = 2; d <= 180; ++d) {
                EXPECT_GE((*side)[std::size_t(180 - d)].countedPixels(), (*side)[std::size_t(181 - d)].countedPixels());
                EXPECT_GE((*side)[std::size_t(180 + d)].countedPixels(), (*side)[std::size_t(179 + d)].countedPixels());
            }
    }
}

TEST(ChartModel, SameSeedSameChartOtherSeedOtherChart)
{
    const ChartModel a = MakeChartModel(ChartKind::Orders, "GBP/USD", false, 42, "12:00");
    EXPECT_EQ(RenderChart(a), RenderChart(MakeChartModel(ChartKind::Orders, "GBP/USD", false, 42, "12:00")));
    EXPECT_NE(RenderChart(a), RenderChart(MakeChartModel(ChartKind::Orders, "GBP/USD", false, 43, "12:00")));
}

// The longest time text fits the band the readers search.
TEST(RenderChart, LongestTimeReadsBack)
{
    const DigitTemplate digits(DigitTemplateBitmap());
    for (int seed = 0; seed < 40; ++seed) {
        const Bitmap chart = RenderChart(MakeChartModel(ChartKind::Orders, "USD/JPY", true, seed, "23:59:59"));
        EXPECT_EQ(ReadUprightText(digits, chart, geometry::kTimeText, "."), "23:59:59");
    }
}

// Black is where the readers look for text: the renderer draws it only there.
TEST(RenderChart, BlackOnlyInTheTexts)
{
    forManyModels(
        [](ChartModel m) {
            const Bitmap full = RenderChart(m);
            m.priceText.clear();
            m.timeText.clear();
            m.labels.clear();
            const Bitmap bare = RenderChart(m);
            for (int y = 0; y < kChartHeight; ++y)
                for (int x = 0; x < kChartWidth; ++x) {
                    ASSERT_NE(bare.pixel(x, y), colours::black) << x << "," << y;
                    if (full.pixel(x, y) != bare.pixel(x, y)) {
                        ASSERT_EQ(full.pixel(x, y), colours::black) << x << "," << y;
                    }
                }
            // Without texts the text bands are blank.
            const int bands[][4] = {{378, 434, 5, 16}, {230, 281, 30, 41}, {73, 446, 196, 237}};
            for (const auto& [x0, x1, y0, y1] : bands)
                for (int y = y0; y < y1; ++y)
                    for (int x = x0; x < x1; ++x)
                        ASSERT_EQ(bare.pixel(x, y), colours::white) << x << "," << y;
        },
        2);
}

}  // namespace
}  // namespace tivka::charts
