// Charts drawn by the synthetic chart server's renderer from random order
// books must read back to exactly what was drawn.
#include <gtest/gtest.h>

#include "chart_server/chart_renderer.h"
#include "acquisition/pair_naming.h"
#include "export/update_pass.h"
#include "platform/conversions.h"
#include "reading/chart_reader.h"
#include "reading_fixtures.h"

namespace tivka {
namespace {

struct RoundTripCase {
    std::string pair;
    charts::ChartKind kind;
    bool cumulative;
    std::uint64_t seed;
};

std::vector<RoundTripCase> allCases()
{
    std::vector<RoundTripCase> cases;
    std::uint64_t seed = 11;
    for (const char* pair : kPairList)
        for (auto kind : {charts::ChartKind::Orders, charts::ChartKind::Positions})
            for (bool cumulative : {true, false})
                cases.push_back({pair, kind, cumulative, seed++ * 7919});
    return cases;
}

class RoundTrip : public ::testing::TestWithParam<RoundTripCase> {
protected:
    DigitTemplate digits{charts::DigitTemplateBitmap()};
};

void expectDrawnModel(const charts::ChartModel& model, const ChartResults& r)
{
    EXPECT_EQ(r.Now.Price, StrToFloat(model.priceText, "."));
    EXPECT_EQ(r.Now.Price, model.price);
    EXPECT_EQ(r.Now.Time, model.timeText);
    ASSERT_EQ(std::size_t(r.ScaleCount), model.labels.size());
    for (std::size_t i = 0; i < model.labels.size(); ++i) {
        EXPECT_EQ(r.Scale[i].Price, model.labels[i].price) << model.labels[i].text;
        EXPECT_EQ(r.Scale[i].Column, model.labels[i].firstInkColumn + 3) << model.labels[i].text;
    }
    for (int x = 75; x <= 435; ++x) {
        if (x == 255)
            continue;
        const auto i = std::size_t(x - 75);
        EXPECT_EQ(r.Levels[x].BuyPercent, 100 * model.buy[i].countedPixels() / 74) << x;
        EXPECT_EQ(r.Levels[x].SellPercent, 100 * model.sell[i].countedPixels() / 74) << x;
    }
}

TEST_P(RoundTrip, BothReadersReadBackWhatWasDrawn)
{
    const RoundTripCase& c = GetParam();
    const charts::ChartModel model = charts::MakeChartModel(c.kind, c.pair, c.cumulative, c.seed, "14:05");
    const Bitmap chart = charts::RenderChart(model);

    ChartResults indicator;
    GlyphWindows set2;
    CalcMT4(PairCode(c.pair), chart, digits, set2, ".", ".", indicator);
    expectDrawnModel(model, indicator);
    EXPECT_EQ(indicator.Digits, model.digits);

    ScreenReaderInputs inputs;
    inputs.pairText = c.pair;
    inputs.thresholdText = "0";
    test::RecordingSink memo;
    test::RecordingPainter painter;
    GlyphWindows set1;
    Bitmap view = turnQuarter(chart);
    SpreadsheetChannel sheet;
    ChartResults screen;
    const auto kind = c.kind == charts::ChartKind::Orders ? ChartKind::Orders : ChartKind::Positions;
    ReadChartOnScreen(kind, chart, view, digits, set1, painter, inputs, memo, screen, sheet);
    expectDrawnModel(model, screen);
    EXPECT_EQ(screen.Digits, model.digits);
    ASSERT_EQ(memo.lines.size(), 4u + 4u * 181u);
    EXPECT_EQ(memo.lines[1], model.priceText);
    EXPECT_EQ(memo.lines[3], model.timeText);
    EXPECT_EQ(screen.Levels[255].Price, model.price);
    screen.Levels[255] = indicator.Levels[255];
    EXPECT_TRUE(test::SameResults(screen, indicator));
}

std::string caseName(const ::testing::TestParamInfo<RoundTripCase>& info)
{
    const RoundTripCase& c = info.param;
    return c.pair.substr(0, 3) + c.pair.substr(4, 3) +
           (c.kind == charts::ChartKind::Orders ? "Orders" : "Positions") +
           (c.cumulative ? "Cumulative" : "Plain");
}

INSTANTIATE_TEST_SUITE_P(AllPairs, RoundTrip, ::testing::ValuesIn(allCases()), caseName);

}  // namespace
}  // namespace tivka
