// tivka-template run as a program on charts of the chart server in both its
// fonts: the server's own template is the truth it must find.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "chart/bmp_codec.h"
#include "chart/png_codec.h"
#include "chart_server/chart_server.h"
#include "tools/tool_run.h"

namespace tivka::charts {
namespace {

constexpr std::uint64_t kSeed = 5;

// The texts a user reads on a chart, as options: price, time, the first labels.
std::string chartArgs(const std::string& file, const ChartModel& model, std::size_t labels)
{
    std::string list;
    for (std::size_t i = 0; i < std::min(labels, model.labels.size()); ++i)
        list += (i ? "," : "") + model.labels[i].text;
    return " --chart " + file + " --price " + model.priceText + " --time " + model.timeText + " --labels " + list;
}

class TivkaTemplate : public ::testing::Test {
protected:
    // Under a comma locale: the texts keep their "." whatever the system's separator.
    auto run(const std::string& args, const char* program = TIVKA_TEMPLATE)
    {
        return test::RunTool(dir.path(), program, args, "ru_RU.UTF-8");
    }

    // Saves the server's picture of a chart file; returns what it shows.
    ChartModel saveChart(const std::string& file, const std::string& chartFile, ChartFont font, const char* time)
    {
        const ChartModel model = ChartModelFor(*ParseChartFileName(chartFile), kSeed, time, font);
        save(file, model);
        return model;
    }

    // A round-font chart showing these texts, its labels where the server put
    // its first ones.
    static ChartModel custom(const std::string& price, const std::string& time, const std::vector<std::string>& labels)
    {
        ChartModel model = ChartModelFor(*ParseChartFileName("orders_EUR_USD.png"), kSeed, time, ChartFont::Round);
        model.priceText = price;
        model.labels.resize(labels.size());
        for (std::size_t i = 0; i < labels.size(); ++i)
            model.labels[i].text = labels[i];
        return model;
    }

    // Its picture, cut to `width` columns.
    void save(const std::string& file, const ChartModel& model, int width = kChartWidth)
    {
        Bitmap picture(width, kChartHeight);
        picture.copyFrom(RenderChart(model), 0, 0);
        EncodePngFile(picture, (dir / file).string());
    }

    test::TempDir dir;
};

class TivkaTemplateFont : public TivkaTemplate, public ::testing::WithParamInterface<ChartFont> {};

INSTANTIATE_TEST_SUITE_P(BothFonts, TivkaTemplateFont, ::testing::Values(ChartFont::Block, ChartFont::Round));

// Two charts give the server's template, pixel for pixel; with it every
// pair's charts read as with the true one. The round font starts prices and
// "11:11" with a narrow "1", blank in its first column: the time fits several
// starts and is settled by the price's "1".
TEST_P(TivkaTemplateFont, TwoChartsGiveTheServersTemplateAndEveryPairReadsAlike)
{
    const ChartFont font = GetParam();
    const ChartModel a = saveChart("a.png", "orders_noncumulative_EUR_USD.png", font, "11:11");
    const ChartModel b = saveChart("b.png", "posentryprice_USD_JPY.png", font, "23:59");
    const auto built = run("build --out built.bmp" + chartArgs("a.png", a, 4) + chartArgs("b.png", b, 4));
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_NE(built.out.find("built.bmp: written from 2 chart(s)"), std::string::npos) << built.out;
    const std::string fontOption = font == ChartFont::Round ? "--font 2" : "--font 1";
    ASSERT_EQ(run(fontOption + " --write-template true.bmp", TIVKA_CHART_SERVER).status, 0);
    // Where neither reader compares, both hold background.
    EXPECT_EQ(LoadBmpFile((dir / "built.bmp").string()), LoadBmpFile((dir / "true.bmp").string()));

    for (const std::string& pair : kServedPairs) {
        saveChart("o.png", "orders_" + pair + ".png", font, "14:25");
        saveChart("p.png", "posentryprice_noncumulative_" + pair + ".png", font, "14:25");
        const std::string args = "--format json --pair " + pair.substr(0, 3) + "/" + pair.substr(4) + " o.png p.png";
        const auto withTrue = run("--template true.bmp " + args, TIVKA_READ);
        const auto withBuilt = run("--template built.bmp " + args, TIVKA_READ);
        ASSERT_EQ(withTrue.status, 0) << pair << ": " << withTrue.err;
        EXPECT_EQ(withBuilt.status, 0) << pair << ": " << withBuilt.err;
        EXPECT_EQ(withBuilt.out, withTrue.out) << pair;
    }
}

// Chart c1 shows every character, c2 no 5, c3 only 1 . 4 6 7 :; each error
// says what is wrong and where, and nothing is written.
TEST_F(TivkaTemplate, ErrorsSayWhatAndWhereAndWriteNothing)
{
    const ChartModel c1 = custom("1.2345", "16:57", {"1.8900", "1.9000"});
    ChartModel c3 = custom("1.1111", "16:47", {"1.4444"});
    c3.priceFirstColumn = 240;
    save("c1.png", c1);
    save("c2.png", custom("1.2344", "16:07", {"1.8900", "1.9000"}));
    save("c3.png", c3);
    save("cut.png", c1, c1.priceFirstColumn + 20);  // ends inside the price's fourth character
    // 281 columns: a seventh character fits a start at 239, not at 240 or at
    // 241, the first place tried (the narrow "1" is inked from there).
    save("c3cut.png", c3, 281);
    test::writeFile(dir / "bad.png", "<html>");
    EncodePngFile(Bitmap(kChartWidth, kChartHeight), (dir / "blank.png").string());
    WriteBmpFile(Bitmap(90, 10), (dir / "small.bmp").string());
    const auto build = [](const std::string& chart, const std::string& price, const std::string& time,
                          const std::string& labels) {
        return "build --out t.bmp --chart " + chart + " --price " + price + " --time " + time + " --labels " + labels;
    };
    std::string missing;
    for (char c : std::string("023589"))
        missing += std::string(missing.empty() ? "" : "\n") + "no sample of " + c +
                   " yet: give a chart whose price, time or labels contain a " + c;
    const int label = c1.labels[0].firstInkColumn;
    const struct { std::string args; int status; std::vector<std::string> inMessage; } cases[] = {
        {build("bad.png", "1.2345", "16:57", "1.8900"), 2, {"bad.png: not a PNG image"}},
        {build("c1.png", "1,2345", "16:57", "1.8900"), 1, {"c1.png: the price '1,2345' holds ',' at character 2"}},
        {build("c1.png", "1.2345", "16:57", "1.8900,1-9000"), 1, {"c1.png: the label 2 '1-9000' holds '-'"}},
        {build("blank.png", "1.2345", "16:57", "1.8900"), 1,
         {"blank.png: no black ink in rows 30-40, columns 230-275, where the readers look for the price"}},
        {build("c1.png", "1.2345", "16:57", "1.8900,1.9000,1.9100"), 1, {"c1.png: 3 labels given, but only 2 found"}},
        {build("c1.png", "1.23455", "16:57", "1.8900"), 1,
         {"c1.png: the price '1.23455' does not fit the ink", "character 7 would have no ink"}},
        {build("cut.png", "1.2345", "16:57", "1.8900"), 1, {"character 4 would reach past the chart's edge"}},
        // Equally far faults: the one of the place tried first is named.
        {build("c3cut.png", "1.11111", "16:47", "1.4444"), 1,
         {"starting at column 241, character 7 would reach past the chart's edge"}},
        {build("c1.png", "1.2345", "16:57", "1.89000"), 1,
         {"c1.png: the label 1 '1.89000' does not fit the ink of columns " + std::to_string(label - 1) + "-" +
          std::to_string(label + 8) + " read upwards (characters 5 rows high, a blank row after each): " +
          "starting at row 236, character 7 would have no ink"}},
        {build("c3.png", "1.1111", "16:47", "1.4444"), 1, {"tivka-template: " + missing + "\nNothing was written.\n"}},
        // Mistyped: a 5 typed as 6 differs from the time's 6; a 4 typed as 5,
        // the only 5, looks like the 4s; a digit left out reads back.
        {build("c1.png", "1.2346", "16:57", "1.8900"), 1,
         {"the samples of '6' differ:\n  1: c1.png, price '1.2346', character 6\n  2: c1.png, time '16:57', "
          "character 2\n  differing cell pixels (column,row): (0,1) (4,1) (4,2) (0,6) (0,7)\n    1       2\n\n"
          "    #####.  .###..\n    #.....  #...#.\n"}},
        {build("c2.png", "1.2345", "16:07", "1.8900,1.9000"), 1,
         {"'4' and '5' look the same", "c2.png, price '1.2345', character 6"}},
        {build("c1.png", "1.234", "16:57", "1.8900,1.9000"), 1,
         {"c1.png: read back with the new template, the price reads '1.2345', not '1.234' as given (character 6"}},
        {"build --out t.bmp --price 1.2345 --chart c1.png", 2, {"--price belongs to a chart"}},
        {"show small.bmp", 2, {"small.bmp: the digit template is 90 x 10 pixels"}},
    };
    for (const auto& c : cases) {
        const auto r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        for (const std::string& part : c.inMessage)
            EXPECT_NE(r.err.find(part), std::string::npos) << c.args << "\n" << r.err << "\nwithout\n" << part;
        EXPECT_EQ(r.out, "") << c.args;
        EXPECT_FALSE(std::filesystem::exists(dir / "t.bmp")) << c.args;
    }
}

// A template is written only when no file has its name, unless forced; show
// prints its cells.
TEST_F(TivkaTemplate, NeverWritesOverAFileUnlessForcedAndShowsWhatItWrote)
{
    save("c1.png", custom("1.2345", "16:57", {"1.8900", "1.9000"}));
    test::writeFile(dir / "ndata.bmp", "kept");
    const std::string args = "build --out ndata.bmp --chart c1.png --price 1.2345 --time 16:57 --labels 1.8900,1.9000";
    const auto refused = run(args);
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("ndata.bmp exists already; give --force to replace it"), std::string::npos);
    EXPECT_EQ(test::readFile(dir / "ndata.bmp"), "kept");

    ASSERT_EQ(run(args + " --force").status, 0);
    // Every character was sampled in both orientations or the unsampled
    // pixels are background, as in the server's file.
    const Bitmap round = DigitTemplateBitmap(ChartFont::Round);
    const std::vector<std::uint8_t> truth = EncodeBmp(round);
    EXPECT_EQ(test::readFile(dir / "ndata.bmp"), std::string(truth.begin(), truth.end()));
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << entry.path();

    const std::string shown = run("show ndata.bmp").out, art = shown.substr(std::min(shown.find("\n\n"), shown.size()));
    EXPECT_EQ(std::count(art.begin(), art.end(), '#'),
              std::count(round.pixels().begin(), round.pixels().end(), colours::black)) << shown;
}

}  // namespace
}  // namespace tivka::charts
