#include "interface/interface_json.h"

#include <algorithm>
#include <map>
#include <optional>

#include "acquisition/pair_naming.h"
#include "history/history_store.h"
#include "history/iso_time.h"
#include "platform/json_text.h"
#include "reading/layout_check.h"
#include "reading/layout_warning.h"

namespace tivka {

namespace {

std::string timeJson(std::optional<std::int64_t> instant)
{
    return instant ? JsonQuoted(IsoUtcText(*instant)) : "null";
}

std::string scaleJson(const std::vector<ScaleMark>& scale)
{
    std::string out = "[";
    for (std::size_t i = 0; i < scale.size(); ++i)
        out += std::string(i ? "," : "") + "{\"column\":" + std::to_string(scale[i].column) +
               ",\"price\":" + JsonNumber(scale[i].price) + "}";
    return out + "]";
}

std::string levelsJson(const ChartReading& reading)
{
    std::string out = "[";
    bool first = true;
    for (int column = geometry::kFirstLevelColumn; column <= geometry::kLastLevelColumn; ++column) {
        if (column == geometry::kNowColumn)
            continue;
        const Level& level = reading.level(column);
        out += std::string(first ? "" : ",") + "{\"column\":" + std::to_string(column) +
               ",\"price\":" + JsonNumber(level.price) + ",\"buy\":" + std::to_string(PercentOf(level.buyPixels)) +
               ",\"sell\":" + std::to_string(PercentOf(level.sellPixels)) + "}";
        first = false;
    }
    return out + "]";
}

// The layout guard's verdict kept with the reading: whether its chart looked
// changed (null when no verdict was kept), the names of the checks it failed
// and what each means.
std::string layoutJson(const std::optional<LayoutChecks>& failed)
{
    std::string checks, problems;
    for (int i = 0; failed && i < kLayoutCheckCount; ++i)
        if (failed->has(LayoutCheck(i))) {
            checks += std::string(checks.empty() ? "" : ",") + '"' + LayoutCheckName(LayoutCheck(i)) + '"';
            problems += (problems.empty() ? "" : ",") + JsonQuoted(LayoutCheckText(LayoutCheck(i)));
        }
    const std::string changed = !failed ? "null" : failed->empty() ? "false" : "true";
    return "{\"changed\":" + changed + ",\"checks\":[" + checks + "],\"problems\":[" + problems + "]}";
}

}  // namespace

std::string ReadingJson(const StoredReading& stored)
{
    const ChartReading& reading = stored.reading;
    return "{\"pair\":" + JsonQuoted(stored.pairText) + ",\"kind\":\"" + ChartKindName(stored.kind) +
           "\",\"variant\":\"" + (stored.cumulative ? "cumulative" : "noncumulative") +
           "\",\"fetched_at\":" + timeJson(stored.fetchedAt) + ",\"chart_time\":" + JsonQuoted(reading.timeText) +
           ",\"price\":" + JsonNumber(reading.price) + ",\"price_text\":" + JsonQuoted(reading.priceText) +
           ",\"step\":" + JsonNumber(reading.step) + ",\"scale\":" + scaleJson(reading.scale) +
           ",\"levels\":" + levelsJson(reading) + ",\"layout\":" + layoutJson(stored.failedChecks) + "}\n";
}

std::string PairsJson(const std::vector<StoredReading>& latest)
{
    // The pair list's order first, then pairs typed into the window.
    std::vector<std::string> order(kPairList.begin(), kPairList.end());
    std::map<std::string, PerChart<std::optional<std::int64_t>>> times;
    for (const StoredReading& reading : latest) {
        if (std::find(order.begin(), order.end(), reading.pairText) == order.end())
            order.push_back(reading.pairText);
        auto& time = times[reading.pairText][reading.kind];
        time = std::max(time.value_or(reading.fetchedAt), reading.fetchedAt);
    }
    std::string out = "{\"pairs\":[";
    bool first = true;
    for (const std::string& pair : order) {
        const auto held = times.find(pair);
        if (held == times.end())
            continue;
        out += std::string(first ? "" : ",") + "{\"pair\":" + JsonQuoted(pair) +
               ",\"latest\":{\"orders\":" + timeJson(held->second[ChartKind::Orders]) +
               ",\"positions\":" + timeJson(held->second[ChartKind::Positions]) + "}}";
        first = false;
    }
    return out + "]}\n";
}

std::string HealthJson(const PassHealth::Snapshot& health)
{
    std::string out = "{\"last_pass\":{\"started_at\":" + timeJson(health.startedAt) +
                      ",\"ended_at\":" + timeJson(health.endedAt) +
                      ",\"cancelled\":" + (health.cancelled ? "true" : "false") +
                      ",\"served\":" + std::to_string(health.served) +
                      ",\"failed\":" + std::to_string(health.failed) + "},\"pairs\":[";
    for (std::size_t i = 0; i < health.pairs.size(); ++i) {
        const PassHealth::PairOutcome& pair = health.pairs[i];
        out += std::string(i ? "," : "") + "{\"pair\":" + JsonQuoted(pair.pairText) + ",\"at\":" + timeJson(pair.at) +
               ",\"outcome\":\"" + (pair.served ? "served" : "failed") + "\"" +
               (pair.served ? "" : ",\"reason\":" + JsonQuoted(pair.reason)) + "}";
    }
    return out + "]}\n";
}

std::string ErrorJson(const std::string& message)
{
    return "{\"error\":" + JsonQuoted(message) + "}\n";
}

}  // namespace tivka
