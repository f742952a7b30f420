// tivka-template, run as a separate program on charts of the chart server in
// both its fonts; the server's own template is the truth it must find.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "chart/bmp_codec.h"
#include "chart/png_codec.h"
#include "chart_server/chart_server.h"
#include "support/test_support.h"

namespace tivka::charts {
namespace {

constexpr std::uint64_t kSeed = 5;
const std::string kCellChars = "0123456789.:";

struct ToolResult {
    int status;
    std::string out;
    std::string err;
};

// Runs a program in `dir` under a comma locale: the texts keep their "."
// whatever the system's separator.
ToolResult runIn(const test::TempDir& dir, const std::string& program, const std::string& args)
{
    const std::string command =
        "cd '" + dir.path().string() + "' && LC_ALL=ru_RU.UTF-8 '" + program + "' " + args + " 2> err.txt";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, test::readFile(dir / "err.txt")};
}

// The texts a user reads on a chart, as options: price, time, the first labels.
std::string chartArgs(const std::string& file, const ChartModel& model, std::size_t labels)
{
    std::string list;
    for (std::size_t i = 0; i < std::min(labels, model.labels.size()); ++i)
        list += (i ? "," : "") + model.labels[i].text;
    return " --chart " + file + " --price " + model.priceText + " --time " + model.timeText + " --labels " + list;
}

// Every pixel either matcher compares: columns 0-5 of rows 1-9, columns 0-4 of row 0.
void expectSameComparedPixels(const Bitmap& built, const Bitmap& truth)
{
    for (int cell = 0; cell < 12; ++cell)
        for (int row = 0; row < 10; ++row)
            for (int column = 0; column < (row == 0 ? 5 : 6); ++column)
                EXPECT_EQ(built.pixel(8 * cell + column, row), truth.pixel(8 * cell + column, row))
                    << "cell '" << kCellChars[std::size_t(cell)] << "' column " << column << " row " << row;
}

class TivkaTemplate : public ::testing::Test {
protected:
    ToolResult run(const std::string& args) { return runIn(dir, TIVKA_TEMPLATE, args); }

    // Saves the server's picture of a chart file; returns what it shows.
    ChartModel saveChart(const std::string& file, const std::string& chartFile, ChartFont font,
                         const std::string& time)
    {
        const ChartFile chart = *ParseChartFileName(chartFile);
        EncodePngFile(ChartPicture(chart, kSeed, time, font), (dir / file).string());
        return ChartModelFor(chart, kSeed, time, font);
    }

    // A round-font chart showing these texts, the labels at the first places
    // the server chose.
    ChartModel saveCustomChart(const std::string& file, const std::string& price, const std::string& time,
                         const std::vector<std::string>& labels)
    {
        ChartModel model = ChartModelFor(*ParseChartFileName("orders_EUR_USD.png"), kSeed, time, ChartFont::Round);
        model.priceText = price;
        model.labels.resize(labels.size());
        for (std::size_t i = 0; i < labels.size(); ++i)
            model.labels[i].text = labels[i];
        EncodePngFile(RenderChart(model), (dir / file).string());
        return model;
    }

    test::TempDir dir;
};

class TivkaTemplateFont : public TivkaTemplate, public ::testing::WithParamInterface<ChartFont> {};

INSTANTIATE_TEST_SUITE_P(BothFonts, TivkaTemplateFont, ::testing::Values(ChartFont::Block, ChartFont::Round));

// Two charts give the server's template; with it every pair's charts read as
// with the true one. The round font starts prices and "11:11" with a narrow
// "1", blank in its first column; the time fits several starts and is
// settled by the price's "1".
TEST_P(TivkaTemplateFont, TwoChartsGiveTheServersTemplateAndEveryPairReadsAlike)
{
    const ChartFont font = GetParam();
    const ChartModel a = saveChart("a.png", "orders_noncumulative_EUR_USD.png", font, "11:11");
    const ChartModel b = saveChart("b.png", "posentryprice_USD_JPY.png", font, "23:59");
    std::string given = a.priceText + a.timeText + b.priceText + b.timeText;
    for (const ChartModel* m : {&a, &b})
        for (std::size_t i = 0; i < 4; ++i)
            given += m->labels[i].text;
    for (char c : kCellChars)
        ASSERT_NE(given.find(c), std::string::npos) << "the charts chosen show no " << c;

    const ToolResult built = run("build --out built.bmp" + chartArgs("a.png", a, 4) + chartArgs("b.png", b, 4));
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_NE(built.out.find("built.bmp: written from 2 chart(s)"), std::string::npos) << built.out;
    const std::string fontOption = font == ChartFont::Round ? "--font 2" : "--font 1";
    ASSERT_EQ(runIn(dir, TIVKA_CHART_SERVER, fontOption + " --write-template true.bmp").status, 0);
    expectSameComparedPixels(LoadBmpFile((dir / "built.bmp").string()), LoadBmpFile((dir / "true.bmp").string()));

    for (const std::string& pair : kServedPairs) {
        saveChart("o.png", "orders_" + pair + ".png", font, "14:25");
        saveChart("p.png", "posentryprice_noncumulative_" + pair + ".png", font, "14:25");
        const std::string args = "--format json --pair " + pair.substr(0, 3) + "/" + pair.substr(4) + " o.png p.png";
        const ToolResult withTrue = runIn(dir, TIVKA_READ, "--template true.bmp " + args);
        const ToolResult withBuilt = runIn(dir, TIVKA_READ, "--template built.bmp " + args);
        ASSERT_EQ(withTrue.status, 0) << pair << ": " << withTrue.err;
        EXPECT_EQ(withBuilt.status, 0) << pair << ": " << withBuilt.err;
        EXPECT_EQ(withBuilt.out, withTrue.out) << pair;
    }
}

// Charts c1 (every character) and c2 (no 5); each error names what is wrong
// and where, and nothing is written.
TEST_F(TivkaTemplate, ErrorsSayWhatAndWhereAndWriteNothing)
{
    const ChartModel c1 = saveCustomChart("c1.png", "1.2345", "16:57", {"1.8900", "1.9000"});
    saveCustomChart("c2.png", "1.2344", "16:07", {"1.8900", "1.9000"});
    test::writeFile(dir / "bad.png", "<html>");
    EncodePngFile(Bitmap(kChartWidth, kChartHeight), (dir / "blank.png").string());
    WriteBmpFile(Bitmap(90, 10), (dir / "small.bmp").string());
    Bitmap cut(c1.priceFirstColumn + 20, kChartHeight);  // ends inside the price's fourth character
    cut.copyFrom(DecodePngFile((dir / "c1.png").string()), 0, 0);
    EncodePngFile(cut, (dir / "cut.png").string());
    const auto build = [](const std::string& chart, const std::string& price, const std::string& time,
                          const std::string& labels) {
        return "build --out t.bmp --chart " + chart + " --price " + price + " --time " + time + " --labels " + labels;
    };
    const struct {
        std::string args;
        int status;
        std::vector<std::string> inMessage;
    } cases[] = {
        {build("bad.png", "1.2345", "16:57", "1.8900"), 2, {"bad.png: not a PNG image"}},
        {build("c1.png", "1,2345", "16:57", "1.8900"), 1, {"c1.png: the price '1,2345' holds ',' at character 2"}},
        {build("blank.png", "1.2345", "16:57", "1.8900"), 1,
         {"blank.png: no black ink in rows 30-40, columns 230-275, where the readers look for the price"}},
        {build("c1.png", "1.2345", "16:57", "1.8900,1.9000,1.9100"), 1, {"c1.png: 3 labels given, but only 2 found"}},
        {build("c1.png", "1.23455", "16:57", "1.8900"), 1,
         {"c1.png: the price '1.23455' does not fit the ink", "character 7 would have no ink"}},
        {build("cut.png", "1.2345", "16:57", "1.8900"), 1, {"character 4 would reach past the chart's edge"}},
        {build("c2.png", "1.2344", "16:07", "1.8900,1.9000"), 1,
         {"tivka-template: no sample of 5 yet: give a chart whose price, time or labels contain a 5\nNothing"}},
        // Mistyped: a 5 typed as 6 differs from the time's 6; a 4 typed as 5,
        // the only 5, looks like the 4s; a digit left out reads back.
        {build("c1.png", "1.2346", "16:57", "1.8900"), 1,
         {"the samples of '6' differ", "c1.png, price '1.2346', character 6", "c1.png, time '16:57', character 2",
          "differing cell pixels (column,row): (0,1) (4,1) (4,2) (0,6) (0,7)\n"}},
        {build("c2.png", "1.2345", "16:07", "1.8900,1.9000"), 1,
         {"'4' and '5' look the same", "c2.png, price '1.2345', character 6"}},
        {build("c1.png", "1.234", "16:57", "1.8900,1.9000"), 1,
         {"c1.png: read back with the new template, the price reads '1.2345', not '1.234' as given (character 6"}},
        {build("c1.png", "1.2345", "16:57", "1.8900") + " --colour red", 2, {"--colour"}},
        {"build --out t.bmp --price 1.2345 --chart c1.png", 2, {"--price belongs to a chart"}},
        {"build --chart c1.png --price 1.2345 --time 16:57 --labels 1.8900", 2, {"build needs --out"}},
        {"show missing.bmp", 2, {"missing.bmp"}},
        {"show small.bmp", 2, {"small.bmp: the digit template is 90 x 10 pixels"}},
    };
    for (const auto& c : cases) {
        const ToolResult r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        for (const std::string& part : c.inMessage)
            EXPECT_NE(r.err.find(part), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_EQ(r.out, "") << c.args;
        EXPECT_FALSE(std::filesystem::exists(dir / "t.bmp")) << c.args;
    }
}

TEST_F(TivkaTemplate, NeverWritesOverAFileUnlessForced)
{
    saveCustomChart("c1.png", "1.2345", "16:57", {"1.8900", "1.9000"});
    test::writeFile(dir / "ndata.bmp", "kept");
    const std::string args = "build --out ndata.bmp --chart c1.png --price 1.2345 --time 16:57 --labels 1.8900,1.9000";
    const ToolResult refused = run(args);
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("ndata.bmp exists already; give --force to replace it"), std::string::npos);
    EXPECT_EQ(test::readFile(dir / "ndata.bmp"), "kept");

    const ToolResult forced = run(args + " --force");
    ASSERT_EQ(forced.status, 0) << forced.err;
    // Every character was sampled in both orientations or the unsampled
    // pixels are background, as in the server's file.
    const std::vector<std::uint8_t> truth = EncodeBmp(DigitTemplateBitmap(ChartFont::Round));
    EXPECT_EQ(test::readFile(dir / "ndata.bmp"), std::string(truth.begin(), truth.end()));
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << entry.path();
}

TEST_F(TivkaTemplate, ShowsEveryCellAsTextArt)
{
    const Bitmap round = DigitTemplateBitmap(ChartFont::Round);
    WriteBmpFile(round, (dir / "round.bmp").string());
    const ToolResult shown = run("show round.bmp");
    ASSERT_EQ(shown.status, 0) << shown.err;
    long ink = 0;
    for (int x = 0; x < round.width(); ++x)
        for (int y = 0; y < round.height(); ++y)
            ink += x % 8 < 6 && round.pixel(x, y) == colours::black;
    const std::string art = shown.out.substr(shown.out.find("\n\n"));
    EXPECT_EQ(std::count(art.begin(), art.end(), '#'), ink);
    // The bottom rows of 6, 7, 8, 9, the decimal point and the colon.
    EXPECT_NE(art.find("\n  .###..  ..#...  .###..  .###..  ..#...  ......\n"), std::string::npos) << art;
}

}  // namespace
}  // namespace tivka::charts
