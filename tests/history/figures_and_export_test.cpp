// What the history window draws and what tivka-history writes, for series
// whose figures are known.
#include <gtest/gtest.h>

#include "history/history_export.h"
#include "history/history_figures.h"
#include "history/iso_time.h"
#include "history/drift_series.h"

namespace tivka {
namespace {

// A reading with bars only where given: (column, buy pixels, sell pixels).
StoredReading made(std::int64_t fetchedAt, double price, std::vector<std::tuple<int, int, int>> bars)
{
    StoredReading stored{"GBP/USD", ChartKind::Positions, false, fetchedAt, {}};
    stored.reading.priceText = "1.2500";
    stored.reading.price = price;
    stored.reading.timeText = "12:30";
    for (int column = 75; column <= 435; ++column)
        stored.reading.level(column).price = price + (column - 255) * 0.0002;
    for (const auto& [column, buy, sell] : bars) {
        stored.reading.level(column).buyPixels = buy;
        stored.reading.level(column).sellPixels = sell;
    }
    return stored;
}

TEST(HistoryFigures, BuyShareSumsThePercentagesOfAllFourGroups)
{
    // 74 pixels are 100 %, 37 are 50 %, 75 are 101 %.
    const struct {
        std::vector<std::tuple<int, int, int>> bars;
        std::optional<double> share;
    } cases[] = {
        {{}, std::nullopt},
        {{{100, 74, 0}, {300, 0, 74}}, 50.0},
        {{{100, 74, 0}, {300, 37, 0}, {120, 0, 37}, {400, 0, 37}}, 60.0},
        {{{75, 75, 0}, {435, 0, 74}}, 100.0 * 101 / 201},
        {{{256, 0, 74}}, 0.0},
    };
    for (const auto& c : cases) {
        const StoredReading r = made(0, 1.25, c.bars);
        EXPECT_EQ(BuyShare(r.reading), c.share) << c.bars.size();
    }
    const auto points = TrendPoints({made(60, 1.25, {{100, 74, 0}, {300, 0, 74}}), made(120, 1.26, {})});
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].sums.buy, 100);
    EXPECT_EQ(points[0].sums.sell, 100);
    EXPECT_EQ(points[1].price, 1.26);
    EXPECT_FALSE(points[1].buyShare);
}

TEST(HistoryFigures, HeatMapPutsTheLatestReadingOfEachTimeBandIntoItsColumn)
{
    // Levels span 1.25 - 0.036 .. 1.25 + 0.036 over 4 rows of 0.018 each.
    const std::vector<StoredReading> series = {
        made(0, 1.25, {{80, 74, 0}}),          // replaced by the next, same band
        made(50, 1.25, {{430, 0, 37}}),        // top row
        made(250, 1.25, {{80, 37, 37}, {81, 74, 0}}),  // bottom row: the larger of two levels
    };
    const HeatMap map = MakeHeatMap(series, 0, 400, 4, 4);
    EXPECT_DOUBLE_EQ(map.lowPrice, 1.25 - 0.036);
    EXPECT_DOUBLE_EQ(map.highPrice, 1.25 + 0.036);
    const int expected[4][4] = {// rows from the lowest price, columns 0..3 (100 s each)
                                {0, -1, 100, -1},
                                {0, -1, 0, -1},
                                {0, -1, 0, -1},
                                {50, -1, 0, -1}};
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(map.at(column, row), expected[row][column]) << column << "," << row;
    EXPECT_EQ(map.prices[2], 1.25);
    EXPECT_FALSE(map.prices[1]);
}

TEST(IsoTime, WritesAndReadsUtcTimes)
{
    EXPECT_EQ(IsoUtcText(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(IsoUtcText(951782400), "2000-02-29T00:00:00Z");
    EXPECT_EQ(IsoUtcText(1796646600), "2026-12-07T12:30:00Z");
    const struct {
        const char* text;
        std::optional<std::int64_t> instant;
    } cases[] = {
        {"2026-12-07T12:30:00Z", 1796646600}, {"2026-12-07 12:30", 1796646600}, {"2026-12-07", 1796601600},
        {"2000-02-29", 951782400},            {"1969-12-31T23:59:59", -1},      {"2001-02-29", std::nullopt},
        {"2026-13-01", std::nullopt},         {"2026-12-07T24:00", std::nullopt}, {"2026-12-07T12", std::nullopt},
        {"2026-12-07T12:30:00+01", std::nullopt}, {"yesterday", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseIsoUtc(c.text), c.instant) << c.text;
}

std::string exported(ExportFormat format, const std::vector<StoredReading>& series)
{
    std::string out;
    HistoryExporter exporter(format, [&](std::string_view piece) { out += piece; });
    for (const StoredReading& r : series)
        exporter.add(r);
    exporter.finish();
    return out;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> all;
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        all.push_back(text.substr(at, end - at));
    return all;
}

TEST(HistoryExport, WritesOneLinePerLevelWithTheReadingsTimes)
{
    StoredReading second = made(1796646600 + 1200, 1.2502, {{76, 37, 0}});
    second.kind = ChartKind::Orders;
    second.cumulative = true;
    second.reading.timeText = "12,50";  // a chart time with a comma is quoted
    const std::vector<StoredReading> series = {made(1796646600, 1.25, {{256, 74, 75}}), second};

    const auto csv = lines(exported(ExportFormat::Csv, series));
    ASSERT_EQ(csv.size(), 1u + 2 * 360);
    EXPECT_EQ(csv[0], "fetched_at,chart_time,pair,kind,cumulative,price,column,level_price,buy,sell");
    EXPECT_EQ(csv[1], "2026-12-07T12:30:00Z,12:30,GBP/USD,positions,0,1.2500,75,1.2140,0,0");
    EXPECT_EQ(csv[181], "2026-12-07T12:30:00Z,12:30,GBP/USD,positions,0,1.2500,256,1.2502,100,101");
    EXPECT_EQ(csv[362], "2026-12-07T12:50:00Z,\"12,50\",GBP/USD,orders,1,1.2502,76,1.2144,50,0");

    const auto json = lines(exported(ExportFormat::Json, series));
    ASSERT_EQ(json.size(), 2u + 2 * 360);
    EXPECT_EQ(json.front(), "[");
    EXPECT_EQ(json[181], "{\"fetched_at\":\"2026-12-07T12:30:00Z\",\"chart_time\":\"12:30\",\"pair\":\"GBP/USD\","
                         "\"kind\":\"positions\",\"cumulative\":false,\"price\":1.2500,\"column\":256,"
                         "\"level_price\":1.2502,\"buy\":100,\"sell\":101},");
    EXPECT_EQ(json[720].back(), '}');
    EXPECT_EQ(json.back(), "]");
    EXPECT_EQ(exported(ExportFormat::Json, {}), "[]\n");
    EXPECT_EQ(JsonQuoted("a\"b\\c\x01"), "\"a\\\"b\\\\c\\u0001\"");
}

}  // namespace
}  // namespace tivka

namespace tivka {
namespace {

// The chart server's drifting charts, read by the readers: a minute apart
// they differ a little, half a day apart the crowd has moved.
TEST(DriftingCharts, ChangeLittleFromMinuteToMinuteAndMuchOverADay)
{
    const std::int64_t minute = 29'000'000;
    const auto at = [](std::int64_t m) { return test::DriftReading("GBP/USD", ChartKind::Positions, false, m); };
    const StoredReading now = at(minute);
    const StoredReading next = at(minute + 1);
    const StoredReading later = at(minute + 360);
    EXPECT_NE(now.reading.timeText, next.reading.timeText);
    EXPECT_LE(std::abs(now.reading.price - next.reading.price), 0.0004);
    int changed = 0;
    for (std::size_t i = 0; i < now.reading.levels.size(); ++i)
        changed += std::abs(now.reading.levels[i].buyPixels - next.reading.levels[i].buyPixels) > 1;
    EXPECT_LT(changed, 20);
    EXPECT_GT(std::abs(*BuyShare(now.reading) - *BuyShare(later.reading)), 3.0);
}

}  // namespace
}  // namespace tivka
