// The layout guard on charts the chart server's renderer drew: sound charts
// never raise it, and each broken rule is named.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "acquisition/pair_naming.h"
#include "reading/drawn_model.h"
#include "reading/layout_check.h"

namespace tivka {
namespace {

std::vector<std::string> problemsOf(const charts::ChartModel& model)
{
    return LayoutProblems(ReadChart(charts::RenderChart(model), DigitTemplate(charts::DigitTemplateBitmap()), {}));
}

std::string shortPrice(double price)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", price);
    return text;
}

// Label columns are whole pixels: a label up to two columns off the line
// through the others is sound. A reading that stopped early is not judged.
TEST(LayoutCheck, SoundChartsRaiseNothing)
{
    const char* times[] = {"00:00", "23:59", "23:59:59", "09:05:30"};
    int n = 0;
    for (const char* pair : kPairList)
        for (auto kind : {charts::ChartKind::Orders, charts::ChartKind::Positions}) {
            ++n;
            std::vector sound(4, charts::MakeChartModel(kind, pair, n % 2, std::uint64_t(31 + n), times[n % 4]));
            const std::size_t mid = sound[0].labels.size() / 2;
            sound[1].labels[mid].firstInkColumn -= 2;
            sound[2].labels[mid].firstInkColumn += 2;
            sound[3].labels[std::size_t(n % 3)].text = "12:30";
            for (std::size_t i = 0; i < sound.size(); ++i)
                EXPECT_THAT(problemsOf(sound[i]), ::testing::IsEmpty()) << pair << ", change " << i;
        }
}

TEST(LayoutCheck, EachBrokenRuleIsNamed)
{
    const auto base = charts::MakeChartModel(charts::ChartKind::Orders, "EUR/USD", false, 5, "12:30:00");
    const auto& l = base.labels;
    const std::size_t mid = l.size() / 2;
    const std::string offLine = "метка " + shortPrice(l[mid].price) + " в 2.";
    std::vector<std::pair<std::function<void(charts::ChartModel&)>, std::string>> cases = {
        {[](auto& m) { m.labels.resize(1); }, "меньше двух меток шкалы (1)"},
        {[](auto& m) { m.labels.clear(); }, "меньше двух меток шкалы (0)"},
        {[](auto& m) { std::swap(m.labels[1].text, m.labels[2].text); },
         "метки шкалы не возрастают (" + shortPrice(l[1].price) + " после " + shortPrice(l[2].price) + ")"},
        {[mid](auto& m) { m.labels[mid].firstInkColumn -= 3; }, offLine},
        {[mid](auto& m) { m.labels[mid].firstInkColumn += 3; }, offLine},
        {[](auto& m) { m.priceText = "9.9999"; }, "цена 9.9999 вне шкалы " + shortPrice(test::DrawnPrice(base, 75)) +
                                                     "–" + shortPrice(test::DrawnPrice(base, 435))},
    };
    for (const char* time : {"1230", "24:00", "12:60", "12:3", "12:30:60", "12:30:5"})
        cases.push_back({[time](auto& m) { m.timeText = time; },
                         "время '" + std::string(time) + "' не в виде ЧЧ:ММ или ЧЧ:ММ:СС"});
    for (const auto& [change, problem] : cases) {
        charts::ChartModel model = base;
        change(model);
        EXPECT_THAT(problemsOf(model), ::testing::Contains(::testing::HasSubstr(problem)));
    }
}

}  // namespace
}  // namespace tivka
