// The layout guard on charts the chart server's renderer drew: sound charts
// never raise it, and each broken rule is named with its figures.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "acquisition/pair_naming.h"
#include "chart_server/style_changes.h"
#include "reading/drawn_model.h"
#include "reading/layout_check.h"
#include "reading/layout_warning.h"

namespace tivka {
namespace {

using charts::ChartFont;

// "<check name>: <text>" for each problem of the picture, read with the
// template of the model's font.
std::vector<std::string> problemsOf(const Bitmap& picture, ChartFont font = ChartFont::Block)
{
    const ChartReading reading = ReadChart(picture, DigitTemplate(charts::DigitTemplateBitmap(font)), {});
    std::vector<std::string> texts;
    for (const LayoutProblem& problem : LayoutProblems(picture, reading))
        texts.push_back(std::string(LayoutCheckName(problem.check)) + ": " + LayoutProblemText(problem));
    return texts;
}

std::vector<std::string> problemsOf(const charts::ChartModel& model)
{
    return problemsOf(charts::RenderChart(model), model.font);
}

std::string shortPrice(double price)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", price);
    return text;
}

// Label columns are whole pixels: a label up to two columns off the line
// through the others is sound, and so is a speck of four pixels in a colour
// no pass counts. Times with and without seconds. A reading that stopped
// early (a label that is not a number) is not judged.
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
            Bitmap speck = charts::RenderChart(sound[0]);
            for (int i = 0; i < 4; ++i)
                speck.setPixel(100 + i, 60, rgb(1, 2, 3));
            EXPECT_THAT(problemsOf(speck), ::testing::IsEmpty()) << pair << ", a speck";
        }
}

// The realistic charts of the drifting model: every pair, chart and variant
// in both fonts, over 20 seeds at three times of day.
TEST(LayoutCheck, DriftingChartsOfEveryPairRaiseNothing)
{
    int charts = 0;
    for (const ChartFont font : {ChartFont::Block, ChartFont::Round}) {
        const DigitTemplate digits(charts::DigitTemplateBitmap(font));
        for (const char* pair : kPairList)
            for (auto kind : {charts::ChartKind::Orders, charts::ChartKind::Positions})
                for (const bool cumulative : {false, true})
                    for (std::uint64_t seed = 1; seed <= 20; ++seed)
                        for (const std::int64_t minute : {29'000'000, 29'000'517, 29'001'033}) {
                            charts::ChartModel model = charts::MakeDriftingChartModel(
                                kind, pair, cumulative, seed, minute + std::int64_t(seed) * 97);
                            model.font = font;
                            const Bitmap picture = charts::RenderChart(model);
                            const ChartReading reading = ReadChart(picture, digits, {});
                            ++charts;
                            ASSERT_TRUE(reading.complete()) << pair << " seed " << seed;
                            const auto problems = LayoutProblems(picture, reading);
                            ASSERT_THAT(problems, ::testing::IsEmpty())
                                << pair << " seed " << seed << ": " << LayoutWarning({{"chart", problems}});
                        }
        }
    std::printf("sound drifting charts: %d, alarms: 0\n", charts);
}

TEST(LayoutCheck, EachBrokenRuleIsNamed)
{
    const auto base = charts::MakeChartModel(charts::ChartKind::Orders, "EUR/USD", false, 5, "12:30:00");
    const auto& l = base.labels;
    const std::size_t mid = l.size() / 2;
    const std::string offLine = "labels_on_line: метка " + shortPrice(l[mid].price) + " в 2.";
    const std::string bars = "bar_colour_";
    auto model = [](std::function<void(charts::ChartModel&)> change) {
        return [change](const charts::ChartModel& m) {
            charts::ChartModel changed = m;
            change(changed);
            return charts::RenderChart(changed);
        };
    };
    auto pixels = [](std::vector<std::pair<int, int>> where, Colour colour) {
        return [where, colour](const charts::ChartModel& m) {
            Bitmap picture = charts::RenderChart(m);
            for (const auto& [x, y] : where)
                picture.setPixel(x, y, colour);
            return picture;
        };
    };
    std::vector<std::pair<std::function<Bitmap(const charts::ChartModel&)>, std::string>> cases = {
        {model([](auto& m) { m.labels.resize(1); }), "label_count: меньше двух меток шкалы (1)"},
        {model([](auto& m) { m.labels.clear(); }), "label_count: меньше двух меток шкалы (0)"},
        {[](const auto& m) { return charts::RenderLabelsInOtherFont(m, 3); },  // nine columns a label
         "labels_read: в строках меток " + std::to_string(9 * ((l.size() + 2) / 3)) +
             " столбцов с чернилами не читаются как метка (первый: " + std::to_string(l[0].firstInkColumn) + ")"},
        {model([](auto& m) { std::swap(m.labels[1].text, m.labels[2].text); }),
         "labels_rising: метки шкалы не возрастают (" + shortPrice(l[1].price) + " после " +
             shortPrice(l[2].price) + ")"},
        {model([mid](auto& m) { m.labels[mid].firstInkColumn -= 3; }), offLine},
        {model([mid](auto& m) { m.labels[mid].firstInkColumn += 3; }), offLine},
        {model([](auto& m) { m.priceText = "9.9999"; }),
         "price_in_scale: цена 9.9999 вне шкалы " + shortPrice(test::DrawnPrice(base, 75)) + "–" +
             shortPrice(test::DrawnPrice(base, 435))},
        {[](const auto& m) { return charts::GrowPicture(charts::RenderChart(m), 0, 20); },
         "picture_size: картинка 531 × 276 точек, а не 531 × 256"},
        {[](const auto& m) { return charts::MovePicture(charts::RenderChart(m), 1, 0); },
         "price_column: шкала ставит цену " + shortPrice(base.price) + " в столбец 256.0, а не 255"},
        {pixels({{100, 120}, {300, 120}}, colours::white),
         "axis_row: ось в строке 120 прервана в 2 столбцах (первый: 100, цвет #FFFFFF)"},
        {pixels({{255, 60}, {255, 61}}, colours::olive),
         bars + "place: цвет столбиков вне их места: 2 точек цвета #808000 (первая: столбец 255, строка 60)"},
        {pixels({{440, 50}}, colours::teal),
         bars + "place: цвет столбиков вне их места: 1 точек цвета #008080 (первая: столбец 440, строка 50)"},
        {pixels({{80, 100}}, colours::teal),
         bars + "side: столбики не своего цвета: 1 точек цвета #008080 (первая: столбец 80, строка 100)"},
        {pixels({{400, 190}}, colours::teal),
         bars + "side: столбики не своего цвета: 1 точек цвета #008080 (первая: столбец 400, строка 190)"},
        {pixels({{100, 60}, {101, 60}, {102, 60}, {103, 60}, {300, 180}}, rgb(1, 2, 3)),
         "bar_area_colour: в области столбиков 5 точек цвета #010203, который не читается (первая: столбец 100, "
         "строка 60)"},
        {charts::RenderWithoutBars, "bars_present: столбики не найдены: ни один проход не насчитал ни одной точки"},
    };
    for (const char* time : {"1230", "24:00", "12:60", "12:3", "12:30:60", "12:30:5"})
        cases.push_back({model([time](auto& m) { m.timeText = time; }),
                         "time_format: время '" + std::string(time) + "' не в виде ЧЧ:ММ или ЧЧ:ММ:СС"});
    for (const auto& [draw, problem] : cases)
        EXPECT_THAT(problemsOf(draw(base)), ::testing::Contains(::testing::StartsWith(problem)));
}

// The warning names each chart before each of its problems; the verdict the
// history keeps is the set of failed checks, worded without figures.
TEST(LayoutCheck, TheWarningNamesTheChartOfEachProblem)
{
    const std::vector<LayoutProblem> orders = {{LayoutCheck::PictureSize, layout::PictureSize{1, 2}},
                                               {LayoutCheck::BarsPresent, {}}};
    const std::vector<LayoutProblem> positions = {{LayoutCheck::TimeFormat, layout::TimeText{"x"}}};
    EXPECT_EQ(PairLayoutWarning("GBPUSD ", {{orders, positions}}),
              "Разметка графика изменилась: GBPUSD ордера: картинка 1 × 2 точек, а не 531 × 256; GBPUSD ордера: "
              "столбики не найдены: ни один проход не насчитал ни одной точки; GBPUSD позиции: время 'x' не в виде "
              "ЧЧ:ММ или ЧЧ:ММ:СС");
    const LayoutChecks failed = LayoutChecks::failedIn(orders);
    EXPECT_EQ(failed.bits(), (1u << 6) | (1u << 12));
    EXPECT_TRUE(failed.has(LayoutCheck::PictureSize) && !failed.has(LayoutCheck::TimeFormat));
    EXPECT_EQ(FailedChecksText(failed), "Разметка графика изменилась: картинка не 531 × 256 точек; столбики не найдены");
}

}  // namespace
}  // namespace tivka
