// What the history window draws and what tivka-history writes, for series
// whose figures are known, the UTC times both use, and tivka-history as a user
// runs it: saved charts imported, listed, exported byte for byte as the
// exporter writes them, pruned; bad input refused with the right exit status
// and the history left as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <charconv>

#include "chart/bmp_codec.h"
#include "chart/png_codec.h"
#include "chart_server/style_changes.h"
#include "history/history_export.h"
#include "history/history_figures.h"
#include "history/iso_time.h"
#include "history/readings.h"
#include "platform/json_text.h"
#include "support/test_support.h"
#include "tools/tool_run.h"

namespace tivka::test {
namespace {

TEST(HistoryFigures, TheBuyShareWeighsBothBuyGroupsAgainstAllFour)
{
    // 74 pixels are 100 %, 37 are 50 %, 75 are 101 %.
    const std::pair<Bars, std::optional<double>> cases[] = {
        {{}, std::nullopt}, {{{256, 0, 74}}, 0.0}, {{{100, 74, 0}, {300, 37, 0}, {120, 0, 37}, {400, 0, 37}}, 60.0},
        {{{75, 75, 0}, {435, 0, 74}}, 100.0 * 101 / 201}};
    for (const auto& [bars, share] : cases)
        EXPECT_EQ(BuyShare(KnownReading(0, 1.25, bars).reading), share) << bars.size();
    const auto points = TrendPoints({KnownReading(60, 1.26, {{100, 74, 0}, {300, 37, 74}})});
    EXPECT_EQ(std::tuple(points.at(0).fetchedAt, points[0].price, points[0].sums.buy, points[0].sums.sell),
              std::tuple(60, 1.26, 150, 100));
}

// Columns of 100 s from 1000 to 1400; levels from 1.25 - 0.036 to 1.25 + 0.036,
// four rows of 0.018. A reading holds until the next; a gap (more than three
// usual steps) is left empty and breaks the lines.
TEST(HistoryFigures, TheHeatMapShowsTheLatestReadingHeldInEachTimeBandAndLeavesGapsEmpty)
{
    const std::vector<StoredReading> series = {
        KnownReading(1000, 1.25, {{80, 74, 0}}),                  // replaced by the next, same band
        KnownReading(1050, 1.25, {{430, 0, 37}}),                // top row, until the next
        KnownReading(1250, 1.25, {{80, 37, 37}, {81, 74, 0}}),  // bottom row: the larger of two levels
        KnownReading(1400, 1.25, {{80, 74, 74}}),               // after the map's end
    };
    const HeatMap map = MakeHeatMap(series, 1000, 1400, 4, 4);
    // Rows from the lowest price.
    EXPECT_EQ(map.cells, (std::vector<int>{0, 0, 100, 100, 0, 0, 0, 0, 0, 0, 0, 0, 50, 50, 0, 0}));
    EXPECT_EQ(map.prices, (std::vector<std::optional<double>>(4, 1.25)));

    // Steps 100, 100, 1000, 100: the usual step is 100, the 1000 a gap.
    const std::vector<std::int64_t> times = {0, 100, 200, 1200, 1300};
    EXPECT_EQ(UsualStep(times), 100);
    EXPECT_EQ(GaplessRuns(times), (std::vector<std::pair<std::size_t, std::size_t>>{{0, 3}, {3, 5}}));
    std::vector<StoredReading> gapped;
    for (const std::int64_t at : times)
        gapped.push_back(KnownReading(at, 1.25, {}));
    const HeatMap withGap = MakeHeatMap(gapped, 0, 1400, 14, 1);
    std::string held;
    for (const auto& price : withGap.prices)
        held += price ? '#' : '.';
    EXPECT_EQ(held, "###.........##");
    // A reading the layout guard flagged is no part of a line, and its
    // columns on the map say so; one kept without a verdict is not flagged.
    gapped[1].failedChecks = LayoutChecks(1u << unsigned(LayoutCheck::BarsPresent));
    gapped[4].failedChecks = std::nullopt;
    EXPECT_EQ(SoundRuns(TrendPoints(gapped)), (std::vector<std::pair<std::size_t, std::size_t>>{{0, 1}, {2, 3}, {3, 5}}));
    std::string flagged;
    for (const bool column : MakeHeatMap(gapped, 0, 1400, 14, 1).flagged)
        flagged += column ? '!' : '.';
    EXPECT_EQ(flagged, ".!............");
    // A span without readings: every cell empty over a plain unit range of prices.
    const HeatMap empty = MakeHeatMap({}, 0, 400, 2, 3);
    EXPECT_EQ(std::tuple(empty.lowPrice, empty.highPrice, empty.cells), std::tuple(0.0, 1.0, std::vector<int>(6, -1)));
}

TEST(IsoTime, WritesAndReadsUtcTimes)
{
    EXPECT_EQ(IsoUtcText(-74784816000), "-400-03-01T00:00:00Z");  // a 400-year cycle of the calendar begins
    EXPECT_EQ(IsoUtcText(-62162121600), "0000-02-29T00:00:00Z");  // the day before the cycle's first March
    EXPECT_EQ(IsoUtcText(-1), "1969-12-31T23:59:59Z");
    const std::pair<const char*, std::optional<std::int64_t>> cases[] = {
        {"2026-12-07 12:30", 1796646600}, {"2026-12-07", 1796601600}, {"2000-02-29", 951782400},
        {"2026-12-07T00:00Z", 1796601600}, {"1969-12-31T23:59:59Z", -1}, {"2026-12-07T23:59:59Z", 1796687999}, {"2001-02-29", std::nullopt},
        {"2026-12-07T24:00", std::nullopt}, {"2026-12-07T12:30:60", std::nullopt},
        {"2026-12-07T12:30:00+01", std::nullopt}};
    for (const auto& [text, instant] : cases)
        EXPECT_EQ(ParseIsoUtc(text), instant) << text;
}

std::vector<std::string> exportedLines(ExportFormat format, const std::vector<StoredReading>& series)
{
    std::string text;
    HistoryExporter exporter(format, [&](std::string_view piece) { text += piece; });
    for (const StoredReading& r : series)
        exporter.add(r);
    exporter.finish();
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

// The fields of a CSV line (none of the tests' lines quotes a comma).
std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> parts;
    for (std::size_t at = 0, end = 0; end != std::string::npos; at = end + 1)
        parts.push_back(line.substr(at, (end = line.find(',', at)) - at));
    return parts;
}

// One line for every level that can hold bars, with its reading's times, the
// current price with the pair's decimals and a point, and the layout guard's
// verdict: the same series always gives the same bytes.
TEST(HistoryExport, WritesOneLinePerLevelWithItsReadingsFigures)
{
    StoredReading second = KnownReading(1796646600 + 1200, 1.2502, {{76, 37, 0}});
    second.kind = ChartKind::Orders;
    second.cumulative = true;
    second.reading.timeText = "12,50\"";  // quoted in CSV
    second.failedChecks = LayoutChecks((1u << unsigned(LayoutCheck::PriceColumn)) |
                                       (1u << unsigned(LayoutCheck::AxisRow)));
    StoredReading third = KnownReading(1796646600 + 2400, 1.25, {});
    third.failedChecks.reset();
    const std::vector<StoredReading> series = {KnownReading(1796646600, 1.25, {{256, 74, 75}}), second, third};

    const auto csv = exportedLines(ExportFormat::Csv, series);
    ASSERT_EQ(csv.size(), 1u + 3 * 360);
    EXPECT_EQ(csv[0], "fetched_at,chart_time,pair,kind,cumulative,price,column,level_price,buy,sell,layout");
    EXPECT_EQ(csv[1], "2026-12-07T12:30:00Z,12:30,GBP/USD,positions,0,1.2500,75,1.214,0,0,ok");
    EXPECT_EQ(csv[181], "2026-12-07T12:30:00Z,12:30,GBP/USD,positions,0,1.2500,256,1.2502,100,101,ok");
    EXPECT_EQ(csv[362],
              "2026-12-07T12:50:00Z,\"12,50\"\"\",GBP/USD,orders,1,1.2502,76,1.2144,50,0,price_column axis_row");
    EXPECT_EQ(csv[721], "2026-12-07T13:10:00Z,12:30,GBP/USD,positions,0,1.2500,75,1.214,0,0,");

    const auto json = exportedLines(ExportFormat::Json, series);
    ASSERT_EQ(json.size(), 2u + 3 * 360);
    EXPECT_EQ(json.front() + json.back(), "[]");
    const std::string head = "{\"fetched_at\":\"2026-12-07T12:30:00Z\",\"chart_time\":\"12:30\",\"pair\":\"GBP/USD\","
                             "\"kind\":\"positions\",\"cumulative\":false,\"price\":1.2500,";
    EXPECT_EQ(json[181], head + "\"column\":256,\"level_price\":1.2502,\"buy\":100,\"sell\":101,\"layout\":[]},");
    EXPECT_EQ(json[362].substr(json[362].find("\"level_price\"")),
              "\"level_price\":1.2144,\"buy\":50,\"sell\":0,\"layout\":[\"price_column\",\"axis_row\"]},");
    EXPECT_EQ(json[721].substr(json[721].find("\"layout\"")), "\"layout\":null},");
    EXPECT_EQ(exportedLines(ExportFormat::Json, {}), std::vector<std::string>{"[]"});
    EXPECT_EQ(JsonQuoted("a \"\x01\x1F"), "\"a \\\"\\u0001\\u001f\"");
}

// Level prices as the reader computed them, to the last bit: on a scale of a
// fiftieth of a point a column, rounding to the pair's decimals would give
// neighbouring columns one price; the export keeps them apart.
TEST(HistoryExport, LevelPricesReadBackExactly)
{
    StoredReading fine = KnownReading(0, 1.25, {});
    ChartReading& reading = fine.reading;
    reading.scale = {{1.249, 205}, {1.251, 305}};
    reading.step = ScaleStep(reading.scale);
    for (int column = 75; column <= 435; ++column)
        if (column != 255)
            reading.level(column).price = ColumnPrice(reading.scale, reading.step, column);
    const std::vector<StoredReading> series = {fine, DriftReading("USD/JPY", ChartKind::Orders, false, 29'000'000)};
    const auto csv = exportedLines(ExportFormat::Csv, series);
    ASSERT_EQ(csv.size(), 1u + 2 * 360);
    std::string previous;
    for (std::size_t line = 1; line < csv.size(); ++line) {
        const std::vector<std::string> f = fields(csv[line]);
        const Level& level = series[(line - 1) / 360].reading.level(std::stoi(f.at(6)));
        double back = 0;
        const std::string& text = f.at(7);
        ASSERT_EQ(std::from_chars(text.data(), text.data() + text.size(), back).ptr, text.data() + text.size());
        EXPECT_EQ(back, level.price) << csv[line];
        EXPECT_NE(text, previous) << "line " << line << ": the same price as the column before";
        previous = text;
    }
}

constexpr std::int64_t kMinute0 = 29'000'000;  // 2025-02-19T21:20:00Z

// Three orders charts twenty minutes apart and a positions chart, saved under
// the broker's names and dated when they were fetched, and the digit template.
class TivkaHistory : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteBmpFile(charts::DigitTemplateBitmap(), (dir / "ndata.bmp").string());
        const std::tuple<std::int64_t, std::string, charts::ChartKind, bool> saved[] = {
            {kMinute0, "orders_GBP_USD", charts::ChartKind::Orders, true},
            {kMinute0 + 20, "orders_GBP_USD", charts::ChartKind::Orders, true},
            {kMinute0 + 40, "orders_GBP_USD", charts::ChartKind::Orders, true},
            {kMinute0, "posentryprice_noncumulative_GBP_USD", charts::ChartKind::Positions, false}};
        for (const auto& [minute, name, kind, cumulative] : saved) {
            files += " " + std::to_string(minute) + "/" + name + ".png";
            std::filesystem::create_directories(dir / std::to_string(minute));
            const std::string path = (dir / std::to_string(minute) / (name + ".png")).string();
            EncodePngFile(charts::DriftingChartPicture({kind, cumulative, "GBP_USD"}, 5, minute), path);
            const utimbuf fetched{minute * 60, minute * 60};
            ::utime(path.c_str(), &fetched);
        }
    }
    // With the history in the test folder's own data folder.
    ToolResult run(const std::string& args)
    {
        return RunTool(dir.path(), "env", "XDG_DATA_HOME='" + dir.path().string() + "/data' '" TIVKA_HISTORY "' " + args);
    }
    std::string out(const std::string& args) { return run(args).out; }

    TempDir dir;
    std::string files;
};

TEST_F(TivkaHistory, ImportsListsExportsAndPrunes)
{
    EXPECT_EQ(out("import" + files), "kept 4 readings, 0 already held\n");
    // A name that tells nothing, with the pair, chart and variant given.
    std::filesystem::copy_file(dir / std::to_string(kMinute0) / "posentryprice_noncumulative_GBP_USD.png",
                               dir / "chart.png");
    EXPECT_EQ(out("import --pair GBP/USD --kind positions --non-cumulative --fetched 2025-02-19T21:20 chart.png"),
              "kept 0 readings, 1 already held\n");
    EXPECT_EQ(out("list"),
              "GBP/USD orders cumulative 3 readings 2025-02-19T21:20:00Z .. 2025-02-19T22:00:00Z\n"
              "GBP/USD positions non-cumulative 1 readings 2025-02-19T21:20:00Z .. 2025-02-19T21:20:00Z\n");

    // The export is exactly the exporter's text of the readings the readers make.
    std::string expected;
    HistoryExporter exporter(ExportFormat::Csv, [&](std::string_view piece) { expected += piece; });
    for (const std::int64_t minute : {kMinute0 + 20, kMinute0 + 40})
        exporter.add(DriftReading("GBP/USD", ChartKind::Orders, true, minute));
    exporter.finish();
    EXPECT_TRUE(out("export --pair GBPUSD --kind orders --from 2025-02-19T21:40:00Z --to 2025-02-19T22:00") ==
                expected);

    // A saved chart that fails the layout guard is kept, marked with the
    // checks it failed.
    const Bitmap taller = charts::GrowPicture(
        charts::DriftingChartPicture({charts::ChartKind::Positions, true, "GBP_USD"}, 5, kMinute0), 0, 20);
    EncodePngFile(taller, (dir / "posentryprice_GBP_USD.png").string());
    EXPECT_EQ(out("import --fetched 2025-02-19T23:00 posentryprice_GBP_USD.png"), "kept 1 readings, 0 already held\n");
    const std::string marked = out("export --pair GBP/USD --kind positions --from 2025-02-19T23:00 --format json");
    EXPECT_EQ(std::count(marked.begin(), marked.end(), '\n'), 2 + 360);
    EXPECT_TRUE(marked.ends_with(",\"layout\":[\"picture_size\"]}\n]\n")) << marked.substr(marked.size() - 50);

    EXPECT_EQ(out("prune --older-than 1").substr(0, 19), "deleted 5 readings ");
    EXPECT_EQ(out("list"), "");
    // A history of its own, in a folder made for it.
    EXPECT_EQ(out("--database h/history.sqlite3 import" + files), "kept 4 readings, 0 already held\n");
}

// The commands that only read open the history for reading: one its owner
// made read-only is listed and exported like any other and left as it was. A
// pair typed into the window may hold anything: listed, a backslash is
// doubled and control characters are written out.
TEST_F(TivkaHistory, ListsAndExportsAReadOnlyHistoryAndEscapesWhatThePairHolds)
{
    if (const int status = test::RerunUnprivileged(
            "TivkaHistory.ListsAndExportsAReadOnlyHistoryAndEscapesWhatThePairHolds");
        status >= 0) {
        EXPECT_EQ(status, 0) << "the test failed as an unprivileged user";
        return;
    }
    if (::access(TIVKA_HISTORY, X_OK) != 0)
        GTEST_SKIP() << TIVKA_HISTORY << " cannot be run by this user";
    ASSERT_EQ(run("import" + files).status, 0);
    const std::filesystem::path database = dir / "data" / "tivka" / "history.sqlite3";
    StoredReading typed = KnownReading(kMinute0 * 60, 1.25, {});
    typed.pairText = "GB\x1B[2J\\/U\nD\xC2\x85\x7F";
    HistoryStore(database.string()).record(typed);
    std::filesystem::permissions(database, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                               std::filesystem::perms::others_read);
    const std::string before = readFile(database);
    const auto [status, listed, error] = run("list");
    EXPECT_EQ(status, 0) << error;
    EXPECT_EQ(listed, "GB\\x1B[2J\\\\/U\\x0AD\\u0085\\x7F positions non-cumulative 1 readings "
                      "2025-02-19T21:20:00Z .. 2025-02-19T21:20:00Z\n"
                      "GBP/USD orders cumulative 3 readings 2025-02-19T21:20:00Z .. 2025-02-19T22:00:00Z\n"
                      "GBP/USD positions non-cumulative 1 readings 2025-02-19T21:20:00Z .. 2025-02-19T21:20:00Z\n");
    const auto [exported, csv, exportError] = run("export --pair GBP/USD --kind orders");
    EXPECT_EQ(exported, 0) << exportError;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 3 * 360);
    EXPECT_TRUE(readFile(database) == before) << "the history changed";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(database.parent_path()), {}), 1)
        << "something was left beside the history";
}

TEST_F(TivkaHistory, RefusesBadInputAndKeepsTheHistoryAsItWas)
{
    ASSERT_EQ(run("import" + files).status, 0);
    writeFile(dir / "orders_EUR_USD.png", "<html>not a chart</html>");
    // Pipes nobody writes to, where a chart and the template are expected:
    // refused at once (a run that waited would be killed and fail).
    std::filesystem::create_directory(dir / "pipe");
    ::mkfifo((dir / "pipe" / "orders_EUR_USD.png").c_str(), 0600);
    ::mkfifo((dir / "pipe" / "ndata.bmp").c_str(), 0600);
    const std::string database = readFile(dir / "data" / "tivka" / "history.sqlite3");
    const std::string chart = files.substr(1, files.find(' ', 1) - 1);
    const std::tuple<std::string, int, std::string> cases[] = {
        {"", 2, "no command given"},
        {"show", 2, "unknown command 'show'"},
        {"export", 2, "export needs --pair"},
        {"export --pair GBP/USD --format xml", 2, "--format is csv or json, not 'xml'"},
        {"export --pair XAU/USD", 1, "--pair: 'XAU/USD' is not one of the pairs"},
        {"export --pair GBP/USD --from 2025-02-30", 1, "--from: '2025-02-30' is not a UTC time"},
        {"prune --older-than 0", 1, "--older-than needs a whole number of days"},
        {"prune --older-than", 2, "--older-than needs a value"},
        {"import " + chart + " orders_EUR_USD.png", 2, "orders_EUR_USD.png: not a PNG"},
        {"import ndata.bmp", 2, "ndata.bmp: the name does not tell the pair"},
        {"import --template missing.bmp " + chart, 2, "missing.bmp"},
        {"import " + chart + " pipe/orders_EUR_USD.png", 2, "pipe/orders_EUR_USD.png: is a pipe, not a regular file"},
        {"import --template pipe/ndata.bmp " + chart, 2, "pipe/ndata.bmp: is a pipe, not a regular file"},
        {"--database none.sqlite3 list", 2, "none.sqlite3: no history has been kept there yet"},
    };
    for (const auto& [args, status, message] : cases) {
        const auto [got, output, error] = run(args);
        EXPECT_EQ(got, status) << args << ": " << error;
        EXPECT_EQ(error.substr(0, 15 + message.size()), "tivka-history: " + message) << args;
    }
    EXPECT_TRUE(readFile(dir / "data" / "tivka" / "history.sqlite3") == database) << "the history changed";
}

}  // namespace
}  // namespace tivka::test
