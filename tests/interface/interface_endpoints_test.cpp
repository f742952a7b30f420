// What the local JSON interface answers over HTTP on loopback, figure for
// figure against the readings it came from: the feed served two passes of
// the chart server's charts (one pair's charts missing), the interface heard
// of them as the running feed tells it, and the history file holds them.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "history/history_store.h"
#include "history/iso_time.h"
#include "interface/http_exchange.h"
#include "interface/served_feed.h"
#include "reading/layout_check.h"
#include "reading/layout_warning.h"
#include "tools/tool_run.h"

namespace tivka::test {
namespace {

using nlohmann::json;

constexpr std::int64_t kFirstPass = 1796646600;  // 2026-12-07 12:30 UTC
constexpr std::int64_t kSecondPass = kFirstPass + 300;

class InterfaceEndpoints : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        feed = new ServedFeed({"GBP/USD", "AUD/USD", "USD/JPY"}, "AUD/USD");
        feed->pass("12:30", kFirstPass);
        feed->pass("12:35", kSecondPass);
    }
    static void TearDownTestSuite() { delete feed; }

    static json getJson(const std::string& target, int port = feed->port())
    {
        const HttpAnswer answer = Get(port, target);
        EXPECT_EQ(answer.status, 200) << target << "\n" << answer.raw;
        EXPECT_NE(answer.raw.find("Content-Type: application/json"), std::string::npos) << answer.raw;
        return json::parse(answer.body);
    }

    static ServedFeed* feed;
};
ServedFeed* InterfaceEndpoints::feed = nullptr;

// Every figure of `stored` in the document /v1/readings/latest gave for it.
void expectReading(const json& doc, const StoredReading& stored)
{
    const ChartReading& reading = stored.reading;
    EXPECT_EQ(doc.at("pair"), stored.pairText);
    EXPECT_EQ(doc.at("kind"), ChartKindName(stored.kind));
    EXPECT_EQ(doc.at("variant"), stored.cumulative ? "cumulative" : "noncumulative");
    EXPECT_EQ(doc.at("fetched_at"), IsoUtcText(stored.fetchedAt));
    EXPECT_EQ(doc.at("chart_time"), reading.timeText);
    EXPECT_EQ(doc.at("price").get<double>(), reading.price);
    EXPECT_EQ(doc.at("price_text"), reading.priceText);
    EXPECT_EQ(doc.at("step").get<double>(), reading.step);
    ASSERT_EQ(doc.at("scale").size(), reading.scale.size());
    for (std::size_t i = 0; i < reading.scale.size(); ++i) {
        EXPECT_EQ(doc["scale"][i].at("column"), reading.scale[i].column);
        EXPECT_EQ(doc["scale"][i].at("price").get<double>(), reading.scale[i].price);
    }
    // Chart columns 75 to 435, the current price's 255 left out.
    ASSERT_EQ(doc.at("levels").size(), 360u);
    int bars = 0;
    for (const json& level : doc["levels"]) {
        const int column = level.at("column");
        const int index = column - 75 - (column > 255 ? 1 : 0);
        ASSERT_EQ(&level, &doc["levels"][std::size_t(index)]) << column;
        const Level& read = reading.level(column);
        EXPECT_EQ(level.at("price").get<double>(), read.price) << column;
        EXPECT_EQ(level.at("buy"), PercentOf(read.buyPixels)) << column;
        EXPECT_EQ(level.at("sell"), PercentOf(read.sellPixels)) << column;
        bars += read.buyPixels + read.sellPixels > 0;
    }
    EXPECT_GT(bars, 10) << "the chart server draws bars on many levels";
    // The layout guard's verdict kept with the reading.
    json checks = json::array();
    json problems = json::array();
    for (int i = 0; stored.failedChecks && i < kLayoutCheckCount; ++i)
        if (stored.failedChecks->has(LayoutCheck(i))) {
            checks.push_back(LayoutCheckName(LayoutCheck(i)));
            problems.push_back(LayoutCheckText(LayoutCheck(i)));
        }
    const json changed = stored.failedChecks ? json(!stored.failedChecks->empty()) : json(nullptr);
    EXPECT_EQ(doc.at("layout"), json({{"changed", changed}, {"checks", checks}, {"problems", problems}}));
}

TEST_F(InterfaceEndpoints, PairsNameEveryPairServedWithItsLatestFetchTimes)
{
    const std::string at = IsoUtcText(kSecondPass);
    const json pair = {{"latest", {{"orders", at}, {"positions", at}}}};
    json expected = {{"pairs", {pair, pair}}};
    expected["pairs"][0]["pair"] = "GBP/USD";  // in the pair list's order; AUD/USD never came
    expected["pairs"][1]["pair"] = "USD/JPY";
    EXPECT_EQ(getJson("/v1/pairs"), expected);
}

TEST_F(InterfaceEndpoints, LatestReadingHoldsEveryFigureOfTheReadingItCameFrom)
{
    for (const char* pair : {"GBP/USD", "USD/JPY"})
        for (const ChartKind kind : {ChartKind::Orders, ChartKind::Positions})
            for (const char* variant : {"", "&variant=noncumulative"}) {
                const std::string target = std::string("/v1/readings/latest?pair=") + pair +
                                           "&kind=" + ChartKindName(kind) + variant;
                SCOPED_TRACE(target);
                const StoredReading latest = feed->latest(pair, kind);
                EXPECT_EQ(latest.fetchedAt, kSecondPass);
                EXPECT_EQ(latest.reading.timeText, "12:35");
                EXPECT_EQ(latest.failedChecks, LayoutChecks()) << "the chart server draws sound charts";
                expectReading(getJson(target), latest);
            }
}

TEST_F(InterfaceEndpoints, TheLayoutVerdictIsTheOneKeptAndAPairTypedInIsListedLast)
{
    ManualClock clock;
    InterfaceHost host("", clock);
    ASSERT_TRUE(host.start("127.0.0.1:0").ok());
    StoredReading flagged = feed->latest("GBP/USD", ChartKind::Orders);
    flagged.pairText = "XAU/USD";
    flagged.fetchedAt = kSecondPass + 60;
    flagged.failedChecks = LayoutChecks(1u << unsigned(LayoutCheck::LabelCount) | 1u << unsigned(LayoutCheck::TimeFormat));
    StoredReading unchecked = feed->latest("USD/JPY", ChartKind::Positions);
    unchecked.failedChecks.reset();  // kept before the guard's verdict was
    host.recorder().record(unchecked);
    host.recorder().record(flagged);

    const json doc = getJson("/v1/readings/latest?pair=XAU/USD&kind=orders", host.port());
    expectReading(doc, flagged);
    EXPECT_EQ(doc["layout"]["changed"], true);
    EXPECT_EQ(doc["layout"]["checks"], json({"label_count", "time_format"}));
    const json old = getJson("/v1/readings/latest?pair=USD/JPY&kind=positions", host.port());
    expectReading(old, unchecked);
    EXPECT_EQ(old["layout"]["changed"], nullptr);
    EXPECT_EQ(getJson("/v1/pairs", host.port())["pairs"].back(),
              json({{"pair", "XAU/USD"},
                    {"latest", {{"orders", IsoUtcText(flagged.fetchedAt)}, {"positions", nullptr}}}}));
}

TEST_F(InterfaceEndpoints, AnInterfaceStartedLaterTakesTheLatestReadingsFromTheHistory)
{
    ManualClock clock;
    InterfaceHost later(feed->historyPath(), clock);
    ASSERT_TRUE(later.start("127.0.0.1:0").ok());
    EXPECT_EQ(Get(later.port(), "/v1/pairs").body, Get(feed->port(), "/v1/pairs").body);
    for (const char* target : {"/v1/readings/latest?pair=GBP/USD&kind=orders",
                               "/v1/readings/latest?pair=USD/JPY&kind=positions&variant=noncumulative"})
        EXPECT_EQ(Get(later.port(), target).body, Get(feed->port(), target).body) << target;
}

TEST_F(InterfaceEndpoints, HistoryIsWhatTivkaHistoryExportWritesForTheSameQuery)
{
    const struct {
        const char* query;
        const char* options;
        std::size_t readings;
    } cases[] = {
        {"pair=GBP/USD", "--pair GBP/USD", 4},
        {"pair=USD/JPY&kind=positions", "--pair USD/JPY --kind positions", 2},
        {"pair=GBP/USD&kind=orders&from=2026-12-07T12:31", "--pair GBP/USD --kind orders --from 2026-12-07T12:31", 1},
        {"pair=USD/JPY&from=2026-12-07&to=2026-12-07T12:30:00Z",
         "--pair USD/JPY --from 2026-12-07 --to 2026-12-07T12:30:00Z", 2},
        {"pair=GBP/USD&to=2026-12-06", "--pair GBP/USD --to 2026-12-06", 0},
        {"pair=AUD/USD", "--pair AUD/USD", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query);
        const HttpAnswer answer = Get(feed->port(), std::string("/v1/history?") + c.query);
        const ToolResult tool = RunTool(".", TIVKA_HISTORY, "--database '" + feed->historyPath() +
                                                                "' export --format json " + c.options);
        ASSERT_EQ(tool.status, 0) << tool.err;
        EXPECT_EQ(answer.status, 200);
        EXPECT_EQ(answer.body, tool.out);
        EXPECT_EQ(json::parse(answer.body).size(), 360 * c.readings);
    }
}

TEST_F(InterfaceEndpoints, HealthTellsTheLastPassAndTheOutcomeOfEveryPairAskedFor)
{
    const std::string at = IsoUtcText(kSecondPass);
    const json health = getJson("/v1/health");
    EXPECT_EQ(health.at("last_pass"),
              json({{"started_at", at}, {"ended_at", at}, {"cancelled", false}, {"served", 2}, {"failed", 1}}));
    ASSERT_EQ(health.at("pairs").size(), 3u) << health;
    EXPECT_EQ(health["pairs"][0], json({{"pair", "GBP/USD"}, {"at", at}, {"outcome", "served"}}));
    EXPECT_EQ(health["pairs"][2], json({{"pair", "USD/JPY"}, {"at", at}, {"outcome", "served"}}));
    const json& failed = health["pairs"][1];
    EXPECT_EQ(std::tuple(failed["pair"], failed["at"], failed["outcome"]), std::tuple("AUD/USD", at, "failed"));
    EXPECT_NE(failed.at("reason").get<std::string>().find("404"), std::string::npos) << failed;
}

}  // namespace
}  // namespace tivka::test
