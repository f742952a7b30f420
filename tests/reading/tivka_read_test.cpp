// The tivka-read tool, run as a separate program on rendered charts.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>

#include "chart/bmp_codec.h"
#include "chart/png_codec.h"
#include "chart_server/chart_renderer.h"
#include "export/indicator_data.h"
#include "export/indicator_pass.h"
#include "shell/chart_display.h"
#include "support/test_support.h"

namespace tivka {
namespace {

struct ToolResult {
    int status;
    std::string out;
    std::string err;
};

class TivkaRead : public ::testing::Test {
protected:
    void SetUp() override
    {
        orders = charts::MakeChartModel(charts::ChartKind::Orders, "USD/JPY", true, 42, "09:15");
        positions = charts::MakeChartModel(charts::ChartKind::Positions, "USD/JPY", false, 43, "09:15");
        ordersChart = charts::RenderChart(orders);
        positionsChart = charts::RenderChart(positions);
        EncodePngFile(ordersChart, (dir / "o.png").string());
        EncodePngFile(positionsChart, (dir / "p.png").string());
        WriteBmpFile(charts::DigitTemplateBitmap(), (dir / "ndata.bmp").string());
    }

    // Runs the tool in the temporary folder with "." as the system separator.
    ToolResult run(const std::string& args)
    {
        const std::string command = "cd '" + dir.path().string() + "' && LC_ALL=C '" + TIVKA_READ + "' " + args +
                                    " 2> err.txt";
        FILE* pipe = popen(command.c_str(), "r");
        std::string out;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        const int status = pclose(pipe);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, test::readFile(dir / "err.txt")};
    }

    std::string pane(ChartKind kind, const Bitmap& chart, const std::string& threshold, bool atLeast)
    {
        DisplayInputs inputs;
        inputs.pairText = "USD/JPY";
        inputs.thresholdText = threshold;
        inputs.atLeast = atLeast;
        inputs.atMost = !atLeast;
        Bitmap view = turnQuarter(chart);
        NullTextPainter painter;
        const DisplayedChart displayed =
            ReadForDisplay(kind, chart, view, DigitTemplate(charts::DigitTemplateBitmap()), inputs, painter);
        std::string text;
        for (const auto& line : displayed.paneLines)
            text += line + "\n";
        return text;
    }

    test::TempDir dir;
    charts::ChartModel orders, positions;
    Bitmap ordersChart, positionsChart;
};

TEST_F(TivkaRead, PrintsBothPanesWithTheirFilters)
{
    const ToolResult r = run("--pair USD/JPY --positions-filter '<=20' o.png p.png");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, pane(ChartKind::Orders, ordersChart, "50", true) + "\n" +
                         pane(ChartKind::Positions, positionsChart, "20", false));
    EXPECT_TRUE(r.out.starts_with("--- Now Price ----\n" + orders.priceText + "\n--- time ----\n09:15\n"));

    const ToolResult single = run("--pair USD/JPY --format positions --positions-filter '>=0' o.png p.png");
    ASSERT_EQ(single.status, 0) << single.err;
    EXPECT_EQ(single.out, pane(ChartKind::Positions, positionsChart, "0", true));
}

TEST_F(TivkaRead, CsvIsTheIndicatorDataFile)
{
    const ToolResult r = run("--pair USD/JPY --format csv o.png p.png");
    ASSERT_EQ(r.status, 0) << r.err;
    const DigitTemplate digits(charts::DigitTemplateBitmap());
    EXPECT_EQ(r.out, IndicatorDataText(ReadForIndicator(ordersChart, digits, {}),
                                       ReadForIndicator(positionsChart, digits, {}), 2, "."));
}

// The number after the "price" key of the JSON object that ends with `tail`.
double priceBefore(const std::string& json, const std::string& tail, std::size_t from = 0)
{
    const std::size_t end = json.find(tail, from);
    if (end == std::string::npos)
        return -1;
    const std::size_t start = json.rfind("\"price\": ", end) + 9;
    return std::stod(json.substr(start, end - start));
}

TEST_F(TivkaRead, JsonHoldsEveryResult)
{
    const ToolResult r = run("--format json o.png p.png");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"time\": \"09:15\""), std::string::npos);
    EXPECT_NE(r.out.find("\"scaleCount\": " + std::to_string(orders.labels.size())), std::string::npos);
    const auto& label = positions.labels.front();
    EXPECT_EQ(priceBefore(r.out, ", \"column\": " + std::to_string(label.firstInkColumn + 3) + "}"), label.price);
    EXPECT_EQ(priceBefore(r.out, ", \"buyPercent\": 0, \"sellPercent\": 0}", r.out.find("\"column\": 255,")),
              orders.price);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n') > 2 * 361, true);
}

// Conversion errors exit with 1 and the error's own message; unusable
// files and arguments with 2 and a message naming them.
TEST_F(TivkaRead, BadInputsExitWithAMessageAndPrintNothing)
{
    test::writeFile(dir / "bad.png", "not a png");
    const std::string price = orders.priceText;
    const std::size_t point = price.find('.');
    const auto priceWith = [&](const char* separator) {
        return "'" + price.substr(0, point) + separator + price.substr(point + 1) + "' is not a valid floating point value\n";
    };
    const struct {
        std::string args;
        int status;
        std::string message;  // whole message for status 1, a part of it for 2
    } cases[] = {
        {"--symbol , o.png p.png", 1, priceWith(",")},
        {"--orders-filter '>=5x' o.png p.png", 1, "'5x' is not a valid integer value\n"},
        {"--format csv --symbol : o.png p.png", 1, priceWith(":")},
        {"o.png missing.png", 2, "missing.png"},
        {"bad.png p.png", 2, "bad.png"},
        {"--template none.bmp o.png p.png", 2, "none.bmp"},
        {"o.png", 2, "two chart files"},
        {"--format xml o.png p.png", 2, "xml"},
        {"--orders-filter 50 o.png p.png", 2, "--orders-filter"},
        {"--colour red o.png p.png", 2, "--colour"},
    };
    for (const auto& c : cases) {
        const ToolResult r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        if (c.status == 1)
            EXPECT_EQ(r.err, c.message) << c.args;
        else
            EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
        EXPECT_EQ(r.out, "") << c.args;
    }
    EXPECT_EQ(run("--symbol AUTO o.png p.png").status, 0);
}

// --strict checks the layout: the output is the same, the warning goes to
// standard error and the status is 3.
TEST_F(TivkaRead, StrictWarnsOfAChangedLayout)
{
    EXPECT_EQ(run("--strict o.png p.png").status, 0);
    charts::ChartModel odd = orders;
    odd.timeText = "1230";
    EncodePngFile(charts::RenderChart(odd), (dir / "odd.png").string());
    const ToolResult plain = run("--pair USD/JPY odd.png p.png");
    const ToolResult strict = run("--pair USD/JPY --strict odd.png p.png");
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.err, "");
    EXPECT_EQ(strict.status, 3);
    EXPECT_EQ(strict.out, plain.out);
    EXPECT_EQ(strict.err,
              "tivka-read: Разметка графика изменилась: ордера: время '1230' не в виде ЧЧ:ММ или ЧЧ:ММ:СС\n");
    EXPECT_EQ(run("--strict --format positions odd.png p.png").status, 0) << "only the charts printed are checked";
}

}  // namespace
}  // namespace tivka
