// tivka-read run as a program on charts the chart server's renderer drew: how
// it ends on bad inputs. (What it prints is the core's readings, pane texts
// and indicator data, tested there.)
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "chart/bmp_codec.h"
#include "chart/png_codec.h"
#include "chart_server/style_changes.h"
#include "tools/tool_run.h"

namespace tivka {
namespace {

using charts::ChartModel;

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
