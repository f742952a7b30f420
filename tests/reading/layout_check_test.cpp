// The layout guard: sound charts never raise it, changed ones always do.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>

#include "acquisition/pair_naming.h"
#include "chart_server/chart_renderer.h"
#include "reading/layout_check.h"

namespace tivka {
namespace {

const DigitTemplate& digits()
{
    static const DigitTemplate d(charts::DigitTemplateBitmap());
    return d;
}

std::vector<std::string> problemsOf(const charts::ChartModel& model)
{
    const ChartReading reading = ReadChart(charts::RenderChart(model), digits(), {});
    EXPECT_TRUE(reading.complete()) << (reading.failure ? reading.failure->message : "");
    return LayoutProblems(reading);
}

// Labels every `spacing` columns (not a whole number), their columns rounded
// as a drawn chart rounds them, the prices exactly `pointsApart` apart.
void quantisedLabels(charts::ChartModel& model, double spacing, int pointsApart)
{
    const double unit = std::pow(10.0, model.digits);
    const int firstPoints = int(std::lround(model.price * unit)) - 5 * pointsApart;
    model.labels.clear();
    for (int k = 0; 80 + spacing * k < 430; ++k) {
        const int points = firstPoints + k * pointsApart;
        char text[32];
        std::snprintf(text, sizeof text, "%.*f", model.digits, points / unit);
        model.labels.push_back({int(std::lround(80 + spacing * k)), text, points / unit});
    }
}

TEST(LayoutCheck, SoundChartsOfEveryPairRaiseNothing)
{
    for (const char* pair : kPairList)
        for (auto kind : {charts::ChartKind::Orders, charts::ChartKind::Positions})
            for (std::uint64_t seed : {1u, 77u}) {
                charts::ChartModel model = charts::MakeChartModel(kind, pair, seed % 2 == 0, seed, "09:05:30");
                EXPECT_THAT(problemsOf(model), ::testing::IsEmpty()) << pair << " seed " << seed;
                // Pixel-quantised label columns: steps differ by a column here and there.
                quantisedLabels(model, 23.4, 10);
                EXPECT_THAT(problemsOf(model), ::testing::IsEmpty()) << pair << " quantised";
            }
}

TEST(LayoutCheck, EachBrokenRuleIsNamed)
{
    const charts::ChartModel base =
        charts::MakeChartModel(charts::ChartKind::Orders, "EUR/USD", false, 5, "12:30");
    ASSERT_GE(base.labels.size(), 4u);
    const struct {
        const char* name;
        std::function<void(charts::ChartModel&)> change;
        const char* problem;
    } cases[] = {
        {"one label", [](auto& m) { m.labels.resize(1); }, "меньше двух меток шкалы (1)"},
        {"labels falling", [](auto& m) { std::swap(m.labels[1].text, m.labels[2].text); }, "метки шкалы не возрастают"},
        {"label off the line", [](auto& m) { m.labels[2].firstInkColumn += 4; }, "от прямой шкалы"},
        {"price outside", [](auto& m) { m.priceText = "9.9999"; }, "цена 9.9999 вне шкалы"},
        {"time without colon", [](auto& m) { m.timeText = "1230"; }, "время '1230' не в виде ЧЧ:ММ или ЧЧ:ММ:СС"},
        {"time out of range", [](auto& m) { m.timeText = "24:00"; }, "время '24:00'"},
        {"time cut", [](auto& m) { m.timeText = "12:3"; }, "время '12:3'"},
    };
    for (const auto& c : cases) {
        charts::ChartModel model = base;
        c.change(model);
        EXPECT_THAT(problemsOf(model), ::testing::Contains(::testing::HasSubstr(c.problem))) << c.name;
    }
    EXPECT_EQ(LayoutWarning({{"ордера", {"a"}}, {"позиции", {}}, {"GBPUSD ордера", {"b", "c"}}}),
              "Разметка графика изменилась: ордера: a; GBPUSD ордера: b; GBPUSD ордера: c");
    EXPECT_EQ(LayoutWarning({{"ордера", {}}}), "");
}

}  // namespace
}  // namespace tivka
