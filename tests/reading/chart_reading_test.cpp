// The chart reader against charts the chart server's renderer drew from random
// order books in both its fonts: every figure read must be the model's.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "acquisition/pair_naming.h"
#include "reading/chart_reading.h"
#include "reading/drawn_model.h"

namespace tivka {
namespace {

using charts::ChartModel;
using Stage = ReadingFailure::Stage;

ChartReading readDrawn(const ChartModel& model)
{
    return ReadChart(charts::RenderChart(model), DigitTemplate(charts::DigitTemplateBitmap(model.font)), {});
}

ChartModel modelOf(const char* pair, std::uint64_t seed)
{
    return charts::MakeChartModel(charts::ChartKind::Orders, pair, seed % 2 == 0, seed, "12:30");
}

void expectReadsAsDrawn(const ChartModel& model, const ChartReading& r)
{
    ASSERT_TRUE(r.complete()) << r.failure->message();
    EXPECT_EQ(std::tie(r.priceText, r.price, r.timeText), std::tie(model.priceText, model.price, model.timeText));
    ASSERT_EQ(r.scale.size(), model.labels.size());
    ASSERT_EQ(r.labelInk.size(), model.labels.size());
    for (std::size_t i = 0; i < model.labels.size(); ++i) {
        const charts::ScaleLabel& label = model.labels[i];
        EXPECT_EQ(std::make_tuple(r.labelInk[i].column, r.labelInk[i].text, r.scale[i].column, r.scale[i].price),
                  std::make_tuple(label.firstInkColumn, label.text, test::TickOf(label), label.price));
    }
    EXPECT_DOUBLE_EQ(r.step, test::DrawnStep(model));
    for (int x = 75; x <= 435; ++x) {
        ASSERT_NEAR(r.level(x).price, test::DrawnPrice(model, x), 1e-9) << "column " << x;
        ASSERT_EQ(r.level(x).buyPixels, test::DrawnPixels(model, x, true)) << "column " << x;
        ASSERT_EQ(r.level(x).sellPixels, test::DrawnPixels(model, x, false)) << "column " << x;
    }
}

// Every pair, kind and font; then the scale as drawn whatever it holds: no
// label (every price 0), one (no step: every column its price), one off the
// line through the others (the columns up to its tick take their price from it).
TEST(ChartReading, ReadsBackWhatWasDrawn)
{
    std::vector<ChartModel> models;
    std::uint64_t seed = 11;
    for (const char* pair : kPairList)
        for (auto kind : {charts::ChartKind::Orders, charts::ChartKind::Positions})
            for (auto font : {charts::ChartFont::Block, charts::ChartFont::Round}) {
                seed += 7919;
                models.push_back(charts::MakeChartModel(kind, pair, seed % 2, seed, seed % 3 ? "14:05" : "23:59:59"));
                models.back().font = font;
            }
    for (std::size_t labels : {0, 1})
        models.emplace_back(modelOf("EUR/USD", 5)).labels.resize(labels);
    auto& offLine = models.emplace_back(modelOf("EUR/USD", 5)).labels;
    offLine[2] = {offLine[2].firstInkColumn, offLine[3].text, offLine[3].price};
    for (const ChartModel& model : models) {
        SCOPED_TRACE(model.pairText + " " + model.priceText + " labels " + std::to_string(model.labels.size()));
        ASSERT_NO_FATAL_FAILURE(expectReadsAsDrawn(model, readDrawn(model)));
    }
}

// A text that is not a number ends the reading where it stands: what was read
// before it is kept, nothing after it is read.
TEST(ChartReading, ATextThatIsNotANumberEndsTheReadingThere)
{
    const ChartModel model = modelOf("GBP/USD", 3);
    using Change = std::function<void(ChartModel&)>;
    const struct { Change change; Stage stage; std::string text; } cases[] = {
        {[](ChartModel& m) { m.priceText.clear(); }, Stage::Price, ""},
        {[](ChartModel& m) { m.labels[2].text = "12:30"; }, Stage::ScaleLabel, "12:30"},
    };
    for (const auto& c : cases) {
        ChartModel changed = model;
        c.change(changed);
        const ChartReading r = readDrawn(changed);
        ASSERT_TRUE(r.failure) << c.text;
        EXPECT_EQ(r.failure->stage, c.stage);
        EXPECT_EQ(r.failure->message(), "'" + c.text + "' is not a valid floating point value");
        const auto kept = std::make_tuple(r.priceText, r.timeText, r.scale.size(), r.labelInk.size());
        EXPECT_EQ(kept, c.stage == Stage::Price ? std::make_tuple(c.text, std::string(), 0ul, 0ul)
                                                : std::make_tuple(model.priceText, model.timeText, 2ul, 3ul));
        for (const Level& level : r.levels)
            ASSERT_EQ(level.buyPixels + level.sellPixels, 0) << c.text;
    }
}

// Labels are looked for in columns 74 to 436; after a label is read the
// search goes on ten columns later.
TEST(LabelScan, FindsLabelsInColumns74To436TenColumnsApart)
{
    const struct { std::vector<int> drawnAt, read; } cases[] = {
        {{74, 84, 95}, {74, 84, 95}}, {{75, 300, 436}, {75, 300, 436}}, {{73}, {}}, {{437}, {}}, {{100, 109}, {100}}};
    for (const auto& c : cases) {
        ChartModel model = modelOf("GBP/USD", 4);
        model.labels.clear();
        for (int column : c.drawnAt)
            model.labels.push_back({column, "1.2500", 1.25});
        std::vector<int> read;
        for (const ScaleMark& mark : readDrawn(model).scale)
            read.push_back(mark.column - 3);
        EXPECT_EQ(read, c.read) << "first drawn at " << c.drawnAt[0];
    }
}

// One walk away from the axis, in runs of the pass's bar colour ('b'), the
// other bar colour ('o'), grey ('g'), white ('w') or black ('k').
using Walk = std::vector<std::pair<char, int>>;

void drawWalk(Bitmap& chart, int x, bool buy, const Walk& walk)
{
    const bool olive = (x < 255) == buy;  // olive bars: buy below the price, sell above it
    const Colour colour[] = {olive ? colours::olive : colours::teal, olive ? colours::teal : colours::olive,
                             colours::grey, colours::white, colours::black};  // b, o, g, w, k
    int y = buy ? 119 : 121;
    for (const auto& [c, count] : walk)
        for (int i = 0; i < count; ++i, y += buy ? -1 : 1)
            chart.setPixel(x, y, colour[std::string_view("bogwk").find(c)]);
}

// The bar colour counts anywhere in the 75 rows of the walk, grey only before
// the first white; 74 counted pixels are 100 %.
TEST(BarMeasurement, CountsTheBarColourAnywhereAndGreyBeforeWhite)
{
    const struct { Walk walk; int counted, percent; } cases[] = {
        {{}, 0, 0}, {{{'b', 1}}, 1, 1}, {{{'b', 20}, {'w', 1}, {'g', 10}}, 20, 27}, {{{'g', 10}, {'b', 5}}, 15, 20},
        {{{'w', 3}, {'b', 5}}, 5, 6}, {{{'b', 10}, {'o', 5}, {'b', 22}}, 32, 43}, {{{'k', 5}, {'g', 10}}, 10, 13},
        {{{'b', 73}}, 73, 98}, {{{'g', 30}, {'b', 44}}, 74, 100}, {{{'g', 40}, {'b', 36}}, 75, 101},  // 76 drawn
    };
    ChartModel model = modelOf("GBP/USD", 1);
    model.buy = model.sell = {};
    Bitmap chart = charts::RenderChart(model);
    std::map<int, int> counted;  // by column: each case at both ends of each pass and inside one
    for (int i = 0; i < int(std::size(cases)); ++i)
        for (int x : {75 + i, 254 - i, 256 + i, 435 - i, 160 + i}) {
            drawWalk(chart, x, true, cases[i].walk);
            drawWalk(chart, x, false, cases[i].walk);
            counted[x] = cases[i].counted;
        }
    const ChartReading r = ReadChart(chart, DigitTemplate(charts::DigitTemplateBitmap()), {});
    for (int x = 75; x <= 435; ++x)
        EXPECT_EQ(std::pair(r.level(x).buyPixels, r.level(x).sellPixels), std::pair(counted[x], counted[x])) << x;
    for (const auto& c : cases)
        EXPECT_EQ(PercentOf(c.counted), c.percent) << c.counted;
}

// A picture shorter or narrower than the chart: each walk counts the pixels
// inside it; those outside count for nothing and end no grey. The walk, away
// from the axis: 10 grey, 10 bar, 1 white, 10 grey, 44 bar (64 counted); the
// price's own column 255 is in no pass.
TEST(BarMeasurement, PixelsOutsideASmallPictureCountForNothing)
{
    ChartModel model = modelOf("GBP/USD", 1);
    model.buy = model.sell = {};
    Bitmap chart = charts::RenderChart(model);
    for (int x = 75; x <= 435; ++x)
        for (bool buy : {true, false})
            drawWalk(chart, x, buy, {{'g', 10}, {'b', 10}, {'w', 1}, {'g', 10}, {'b', 44}});
    const struct { int width, height, buy, sell; } cases[] = {
        {531, 256, 64, 64},
        {531, 195, 64, 63},  // the sell walk's last row (195) is outside
        {531, 140, 64, 19},  // sell rows 121-139
        {531, 115, 59, 0},   // buy rows 114-45: the walk starts outside, its grey still counts
        {531, 100, 44, 0},   // buy rows 99-45: the white inside ends the grey
        {300, 140, 64, 19},  // and no column from 300 on
    };
    for (const auto& c : cases) {
        Bitmap picture(c.width, c.height);
        picture.copyFrom(chart, 0, 0);
        const ChartReading r = ReadChart(picture, DigitTemplate(charts::DigitTemplateBitmap()), {});
        ASSERT_TRUE(r.complete()) << c.width << " x " << c.height;
        for (int x = 75; x <= 435; ++x)
            ASSERT_EQ(std::pair(r.level(x).buyPixels, r.level(x).sellPixels),
                      x < c.width && x != 255 ? std::pair(c.buy, c.sell) : std::pair(0, 0))
                << c.width << " x " << c.height << ", column " << x;
    }
}

}  // namespace
}  // namespace tivka
