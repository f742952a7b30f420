#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "chart_server/chart_renderer.h"
#include "tools/glyph_walk.h"

namespace tivka::charts {
namespace {

const std::vector<std::string> kPairs = {"GBP/USD", "EUR/USD", "AUD/USD", "USD/JPY", "USD/CAD",
                                         "USD/CHF", "EUR/GBP", "EUR/JPY", "EUR/CHF", "GBP/JPY"};

struct Variant {
    ChartKind kind;
    bool cumulative;
};
constexpr Variant kVariants[] = {
    {ChartKind::Orders, true}, {ChartKind::Orders, false}, {ChartKind::Positions, true}, {ChartKind::Positions, false}};

// Every model of every pair and variant over a few seeds.
template <typename Check>
void forManyModels(Check check, int seeds = 6)
{
    for (const std::string& pair : kPairs)
        for (const Variant& v : kVariants)
            for (int seed = 0; seed < seeds; ++seed) {
                SCOPED_TRACE(pair + " seed " + std::to_string(seed) + (v.cumulative ? " cum" : " noncum"));
                check(MakeChartModel(v.kind, pair, v.cumulative, std::uint64_t(seed) * 7919, "12:34"));
            }
}

// Which bar colour a reader expects in column x above / below the axis.
Colour barColour(int x, bool buy)
{
    const bool left = x < 255;
    return left == buy ? colours::olive : colours::teal;
}

// The readers' bar walk: bar colour counts, grey counts until the first white.
int countBar(const Bitmap& chart, int x, bool buy)
{
    int n = 0;
    bool white = false;
    for (int i = 0; i < 75; ++i) {
        const Colour c = chart.pixel(x, buy ? 119 - i : 121 + i);
        white = white || c == colours::white;
        if (c == barColour(x, buy) || (c == colours::grey && !white))
            ++n;
    }
    return n;
}

ChartModel withoutTexts(ChartModel model)
{
    model.priceText.clear();
    model.timeText.clear();
    model.labels.clear();
    return model;
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

TEST(ChartModel, TextsAndLabelsSitInTheReadersBands)
{
    forManyModels([](const ChartModel& m) {
        EXPECT_GE(m.priceFirstRow, 31);
        EXPECT_LE(m.priceFirstRow + 8, 44);  // clear of the bars
        EXPECT_GE(m.priceFirstColumn, 230);
        EXPECT_LE(m.priceFirstColumn + 6 * (int(m.priceText.size()) - 1), 275);
        EXPECT_GE(m.timeFirstRow, 6);
        EXPECT_LE(m.timeFirstRow, 15);
        EXPECT_GE(m.timeFirstColumn, 378);
        EXPECT_LE(m.timeFirstColumn + 6 * (int(m.timeText.size()) - 1), 428);
        ASSERT_GE(m.labels.size(), 2u);
        for (std::size_t i = 0; i < m.labels.size(); ++i) {
            EXPECT_GE(m.labels[i].firstInkColumn, 74);
            EXPECT_LE(m.labels[i].firstInkColumn, 436);
            EXPECT_LE(m.labels[i].text.size(), 6u);  // fits rows 196-236
            if (i > 0) {
                EXPECT_GE(m.labels[i].firstInkColumn - m.labels[i - 1].firstInkColumn, 10);
            }
        }
    });
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

TEST(ChartModel, BarsStayInsideTheirSide)
{
    int fullBars = 0;
    forManyModels([&](const ChartModel& m) {
        for (const auto* side : {&m.buy, &m.sell})
            for (const BarDrawing& bar : *side) {
                ASSERT_GE(bar.greyBefore, 0);
                ASSERT_GE(bar.barPixels, 0);
                const int drawn = bar.countedPixels() + (bar.greyAfterWhite > 0 ? 1 + bar.greyAfterWhite : 0);
                ASSERT_LE(drawn, 75);
                fullBars += bar.countedPixels() == 75;
            }
    });
    EXPECT_GT(fullBars, 0);
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
    const ChartModel b = MakeChartModel(ChartKind::Orders, "GBP/USD", false, 42, "12:00");
    const ChartModel c = MakeChartModel(ChartKind::Orders, "GBP/USD", false, 43, "12:00");
    EXPECT_EQ(RenderChart(a), RenderChart(b));
    EXPECT_NE(RenderChart(a), RenderChart(c));
}

TEST(RenderChart, DrawsBarsAsModelled)
{
    forManyModels(
        [](const ChartModel& m) {
            const Bitmap chart = RenderChart(m);
            ASSERT_EQ(chart.width(), kChartWidth);
            ASSERT_EQ(chart.height(), kChartHeight);
            for (int x = 75; x <= 435; ++x) {
                if (x == 255)
                    continue;
                const std::size_t i = std::size_t(x - 75);
                ASSERT_EQ(countBar(chart, x, true), m.buy[i].countedPixels()) << "buy column " << x;
                ASSERT_EQ(countBar(chart, x, false), m.sell[i].countedPixels()) << "sell column " << x;
                // The pixel right after the counted part: white, unless the bar is full.
                if (m.buy[i].countedPixels() < 75) {
                    ASSERT_EQ(chart.pixel(x, 119 - m.buy[i].countedPixels()), colours::white);
                }
                if (m.sell[i].greyAfterWhite > 0) {
                    ASSERT_EQ(chart.pixel(x, 121 + m.sell[i].countedPixels() + 1), colours::grey);
                }
            }
            for (int y = 45; y <= 195; ++y)
                ASSERT_NE(chart.pixel(255, y), colours::black);
            EXPECT_NE(chart.pixel(100, 120), colours::black);
        },
        2);
}

TEST(RenderChart, BlackOnlyInTheTexts)
{
    forManyModels(
        [](const ChartModel& m) {
            const Bitmap full = RenderChart(m);
            const Bitmap bare = RenderChart(withoutTexts(m));
            for (int y = 0; y < kChartHeight; ++y)
                for (int x = 0; x < kChartWidth; ++x) {
                    ASSERT_NE(bare.pixel(x, y), colours::black) << x << "," << y;
                    if (full.pixel(x, y) != bare.pixel(x, y)) {
                        ASSERT_EQ(full.pixel(x, y), colours::black) << x << "," << y;
                    }
                }
            // Without texts the text bands are blank.
            for (int y = 5; y < 16; ++y)
                for (int x = 378; x < 434; ++x)
                    ASSERT_EQ(bare.pixel(x, y), colours::white);
            for (int y = 30; y < 41; ++y)
                for (int x = 230; x < 281; ++x)
                    ASSERT_EQ(bare.pixel(x, y), colours::white);
            for (int y = 196; y <= 236; ++y)
                for (int x = 73; x <= 445; ++x)
                    ASSERT_EQ(bare.pixel(x, y), colours::white);
        },
        2);
}

TEST(RenderChart, TextsReadBackWithTheReadersWalk)
{
    const Bitmap cells = DigitTemplateBitmap();
    forManyModels([&](const ChartModel& m) {
        const Bitmap chart = RenderChart(m);
        EXPECT_EQ(test::walkUpright(cells, chart, 30, 41, 230, 276), m.priceText);
        EXPECT_EQ(test::walkUpright(cells, chart, 5, 16, 378, 429), m.timeText);
        std::vector<ScaleLabel> read;
        for (int x = 74; x < 437;) {
            bool ink = false;
            for (int y = 196; y <= 236; ++y)
                ink = ink || chart.pixel(x, y) == colours::black;
            const std::string text = ink ? test::walkSide(cells, chart, x) : std::string();
            if (text.empty()) {
                ++x;
                continue;
            }
            read.push_back({x, text, 0});
            x += 10;
        }
        ASSERT_EQ(read.size(), m.labels.size());
        for (std::size_t i = 0; i < read.size(); ++i) {
            EXPECT_EQ(read[i].firstInkColumn, m.labels[i].firstInkColumn);
            EXPECT_EQ(read[i].text, m.labels[i].text);
        }
    });
}

TEST(RenderChart, LongestTimeTextStillReads)
{
    const Bitmap cells = DigitTemplateBitmap();
    for (int seed = 0; seed < 40; ++seed) {
        const ChartModel m = MakeChartModel(ChartKind::Orders, "USD/JPY", true, seed, "23:59:59");
        EXPECT_EQ(test::walkUpright(cells, RenderChart(m), 5, 16, 378, 429), "23:59:59");
    }
}

}  // namespace
}  // namespace tivka::charts
