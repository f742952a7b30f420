// tivka-read run as a program on charts the chart server's renderer drew: each
// output format against what the models say, and how it ends on bad inputs.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <regex>

#include "chart/bmp_codec.h"
#include "chart/png_codec.h"
#include "chart_server/style_changes.h"
#include "reading/drawn_model.h"
#include "tools/tool_run.h"

namespace tivka {
namespace {

using charts::ChartModel;
using test::DrawnPixels;
using test::DrawnPrice;

std::string fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string percent(const ChartModel& m, int x, bool buy)
{
    return std::to_string(100 * DrawnPixels(m, x, buy) / 74);
}

// A pane as the model reads: price, time, then each group's levels whose bars
// pass the filter (100 n >= 74 T for ">=T", <= for "<=T"), lowest column first.
std::string pane(const ChartModel& m, bool atLeast, int threshold)
{
    static const char* const names[2][4] = {{"Buy limit", "Buy stop", "Sell stop", "Sell limit"},
                                            {"Buy +", "Buy -", "Sell -", "Sell +"}};
    std::string text = "--- Now Price ----\n" + m.priceText + "\n--- time ----\n" + m.timeText + "\n";
    for (int group = 0; group < 4; ++group) {
        text += std::string("--- ") + names[m.kind == charts::ChartKind::Positions][group] + " ---\n";
        for (int x = group % 2 ? 256 : 75; x <= (group % 2 ? 435 : 254); ++x) {
            const int n = DrawnPixels(m, x, group < 2);
            if (atLeast ? 100 * n >= 74 * threshold : 100 * n <= 74 * threshold)
                text += fixed(DrawnPrice(m, x), m.digits) + " - " + percent(m, x, group < 2) + "%\n";
        }
    }
    return text;
}

class TivkaRead : public ::testing::Test {
protected:
    void SetUp() override
    {
        EncodePngFile(charts::RenderChart(orders), (dir / "o.png").string());
        EncodePngFile(charts::RenderChart(positions), (dir / "p.png").string());
        WriteBmpFile(charts::DigitTemplateBitmap(), (dir / "ndata.bmp").string());
    }
    auto run(const std::string& args, const char* locale = "C")
    {
        return test::RunTool(dir.path(), TIVKA_READ, args, locale);
    }

    const ChartModel orders = charts::MakeChartModel(charts::ChartKind::Orders, "USD/JPY", true, 42, "09:15");
    const ChartModel positions = charts::MakeChartModel(charts::ChartKind::Positions, "USD/JPY", false, 43, "09:15");
    test::TempDir dir;
};

TEST_F(TivkaRead, PanesListTheDrawnLevelsThatPassTheirFilters)
{
    const auto both = run("--pair USD/JPY --strict --positions-filter '<=20' o.png p.png");
    ASSERT_EQ(both.status, 0) << both.err;
    EXPECT_EQ(both.out, pane(orders, true, 50) + "\n" + pane(positions, false, 20));
    EXPECT_EQ(run("--pair USD/JPY --format orders --orders-filter '>=37' o.png p.png").out, pane(orders, true, 37));
    EXPECT_EQ(run("--pair USD/JPY --format positions --positions-filter '>=0' o.png p.png").out,
              pane(positions, true, 0));
}

// The indicator file keeps "." under a comma locale.
TEST_F(TivkaRead, CsvIsTheIndicatorDataOfBothCharts)
{
    std::string expected = orders.timeText + "\r\n" + fixed(orders.price, 2) + "\r\nOrders\r\n";
    for (const ChartModel* m : {&orders, &positions}) {
        expected += m == &positions ? "Position\r\n" : "";
        for (int x = 76; x <= 434; ++x)
            expected += x == 255 ? "" : fixed(DrawnPrice(*m, x), 2) + ";" + percent(*m, x, true) + ";" +
                                            percent(*m, x, false) + "\r\n";
    }
    const auto r = run("--pair USD/JPY --format csv o.png p.png", "ru_RU.UTF-8");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected);
}

// Every key and value in order, against the same worked out from the models.
TEST_F(TivkaRead, JsonHoldsEveryFigureOfBothCharts)
{
    const auto r = run("--pair USD/JPY --format json o.png p.png");
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::pair<std::string, std::string>> read, drawn;
    const std::regex field(R"re("(\w+)": ("[^"]*"|[^,{}\[\]\s]+))re");
    for (std::sregex_iterator it(r.out.begin(), r.out.end(), field), end; it != end; ++it)
        read.emplace_back((*it)[1], (*it)[2]);
    const auto n = [](double value) { return fixed(value, 12); };
    for (const ChartModel* m : {&orders, &positions}) {
        drawn.insert(drawn.end(), {{"price", n(m->price)}, {"time", '"' + m->timeText + '"'},
                                   {"scaleCount", n(double(m->labels.size()))}});
        for (const auto& label : m->labels)
            drawn.insert(drawn.end(), {{"price", n(label.price)}, {"column", n(test::TickOf(label))}});
        drawn.insert(drawn.end(), {{"step", n(test::DrawnStep(*m))}, {"digits", "2"}});
        for (int x = 75; x <= 435; ++x)
            drawn.insert(drawn.end(), {{"column", n(x)}, {"price", n(DrawnPrice(*m, x))},
                                       {"buyPercent", percent(*m, x, true)}, {"sellPercent", percent(*m, x, false)}});
    }
    ASSERT_EQ(read.size(), drawn.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        ASSERT_EQ(read[i].first, drawn[i].first) << i;
        if (read[i].second.starts_with('"'))
            EXPECT_EQ(read[i].second, drawn[i].second);
        else
            EXPECT_NEAR(std::stod(read[i].second), std::stod(drawn[i].second), 1e-9) << i << " " << read[i].first;
    }
}

// A text or option value that is not a number ends with 1 and the
// conversion's own message; unusable files and command lines with 2 and a
// message naming them; with --strict, a chart whose layout looks changed
// with 3, after printing its figures. Nothing is printed before a failure.
TEST_F(TivkaRead, BadInputsEndWithTheirStatusAndAMessage)
{
    test::writeFile(dir / "bad.png", "not a png");
    ::mkfifo((dir / "pipe.png").c_str(), 0600);  // never waited on: nobody writes to it
    ::mkfifo((dir / "pipe.bmp").c_str(), 0600);
    WriteBmpFile(Bitmap(93, 10), (dir / "small.bmp").string());
    ChartModel odd = orders;
    odd.timeText = "1230";
    EncodePngFile(charts::RenderChart(odd), (dir / "odd.png").string());
    EncodePngFile(charts::GrowPicture(charts::RenderChart(positions), 0, 20), (dir / "tall.png").string());
    std::string comma = orders.priceText;
    comma[comma.find('.')] = ',';
    const struct { std::string args; int status; std::string err; } cases[] = {  // err: a part of it for 2
        {"--symbol , o.png p.png", 1, "'" + comma + "' is not a valid floating point value\n"},
        {"--orders-filter '>=5x' o.png p.png", 1, "'5x' is not a valid integer value\n"},
        {"o.png missing.png", 2, "missing.png"},
        {"bad.png p.png", 2, "bad.png"},
        {"o.png pipe.png", 2, "pipe.png: is a pipe, not a regular file"},
        {"--template pipe.bmp o.png p.png", 2, "pipe.bmp: is a pipe, not a regular file"},
        {"--template small.bmp o.png p.png", 2, "small.bmp: the digit template is 93 x 10 pixels"},
        {"o.png", 2, "two chart files"},
        {"--format xml o.png p.png", 2, "xml"},
        {"--orders-filter 50 o.png p.png", 2, "--orders-filter"},
        {"--strict odd.png odd.png", 3,
         "tivka-read: Разметка графика изменилась: ордера: время '1230' не в виде ЧЧ:ММ или ЧЧ:ММ:СС; "
         "позиции: время '1230' не в виде ЧЧ:ММ или ЧЧ:ММ:СС\n"},
        {"--strict o.png tall.png", 3,
         "tivka-read: Разметка графика изменилась: позиции: картинка 531 × 276 точек, а не 531 × 256\n"},
    };
    for (const auto& c : cases) {
        const auto r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        if (c.status == 2)
            EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << ": " << r.err;
        else
            EXPECT_EQ(r.err, c.err) << c.args;
        EXPECT_EQ(r.out, c.status == 3 ? run(c.args.substr(sizeof "--strict")).out : "") << c.args;
    }
    EXPECT_EQ(run("--strict --format positions odd.png p.png").status, 0) << "only the charts printed are checked";
}

}  // namespace
}  // namespace tivka
