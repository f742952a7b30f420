// Charts drawn by the synthetic chart server's renderer from random order
// books must read back to exactly what was drawn.
#include <gtest/gtest.h>

#include "chart_server/chart_renderer.h"
#include "acquisition/pair_naming.h"
#include "export/indicator_pass.h"
#include "platform/conversions.h"
#include "shell/chart_display.h"
#include "support/test_charts.h"

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

void expectDrawnModel(const charts::ChartModel& model, const ChartReading& r)
{
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(r.priceText, model.priceText);
    EXPECT_EQ(r.price, model.price);
    EXPECT_EQ(r.timeText, model.timeText);
    ASSERT_EQ(r.scale.size(), model.labels.size());
    for (std::size_t i = 0; i < model.labels.size(); ++i) {
        EXPECT_EQ(r.scale[i].price, model.labels[i].price) << model.labels[i].text;
        EXPECT_EQ(r.scale[i].column, model.labels[i].firstInkColumn + 3) << model.labels[i].text;
    }
    EXPECT_EQ(r.level(255).price, model.price);
    for (int x = 75; x <= 435; ++x) {
        if (x == 255)
            continue;
        const auto i = std::size_t(x - 75);
        EXPECT_EQ(r.level(x).buyPixels, model.buy[i].countedPixels()) << x;
        EXPECT_EQ(r.level(x).sellPixels, model.sell[i].countedPixels()) << x;
    }
}

TEST_P(RoundTrip, BothReadersReadBackWhatWasDrawn)
{
    const RoundTripCase& c = GetParam();
    const charts::ChartModel model = charts::MakeChartModel(c.kind, c.pair, c.cumulative, c.seed, "14:05");
    const Bitmap chart = charts::RenderChart(model);

    expectDrawnModel(model, ReadForIndicator(chart, digits, {}));
    EXPECT_EQ(DecimalsOfPairCode(PairCode(c.pair)), model.digits);

    DisplayInputs inputs;
    inputs.pairText = c.pair;
    inputs.thresholdText = "0";
    test::RecordingPainter painter;
    Bitmap view = turnQuarter(chart);
    const auto kind = c.kind == charts::ChartKind::Orders ? ChartKind::Orders : ChartKind::Positions;
    const DisplayedChart displayed = ReadForDisplay(kind, chart, view, digits, inputs, painter);
    expectDrawnModel(model, displayed.shown.reading);
    EXPECT_EQ(displayed.shown.decimals, model.digits);
    ASSERT_EQ(displayed.paneLines.size(), 4u + 4u * 181u);
    EXPECT_EQ(displayed.paneLines[1], model.priceText);
    EXPECT_EQ(displayed.paneLines[3], model.timeText);
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
