#pragma once

// Readings whose figures the history tests know.

#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "acquisition/pair_naming.h"
#include "chart_server/chart_server.h"
#include "export/reading_recorder.h"
#include "history/history_store.h"
#include "reading/chart_reading.h"
#include "reading/layout_check.h"

namespace tivka::test {

// A reading of the chart server's drifting chart at `minute` (minutes since
// the epoch), read by the real readers, fetched at that minute, with the
// layout guard's verdict.
inline StoredReading DriftReading(const std::string& pair, ChartKind kind, bool cumulative, std::int64_t minute)
{
    static const DigitTemplate digits{charts::DigitTemplateBitmap()};
    const charts::ChartFile file{kind == ChartKind::Orders ? charts::ChartKind::Orders : charts::ChartKind::Positions,
                                 cumulative, PairName(pair)};
    const Bitmap chart = charts::DriftingChartPicture(file, 5, minute);
    const ChartReading reading = ReadCompleteChart(chart, digits, {".", "."});
    return {pair, kind, cumulative, minute * 60, reading, LayoutChecks::failedIn(LayoutProblems(chart, reading))};
}

// A GBP/USD reading at `price` whose scale moves 0.0002 a column, with bars
// only where given: (column, buy pixels, sell pixels). It passed the layout
// guard.
using Bars = std::vector<std::tuple<int, int, int>>;
inline StoredReading KnownReading(std::int64_t fetchedAt, double price, const Bars& bars,
                                  ChartKind kind = ChartKind::Positions)
{
    StoredReading stored{"GBP/USD", kind, false, fetchedAt, {}, LayoutChecks()};
    ChartReading& reading = stored.reading;
    reading.priceText = std::to_string(price).substr(0, 6);
    reading.price = price;
    reading.timeText = "12:30";
    reading.scale = {{price - 0.01, 205}, {price + 0.01, 305}};
    reading.step = ScaleStep(reading.scale);
    for (int column = 75; column <= 435; ++column)
        reading.level(column).price = column == 255 ? price : ColumnPrice(reading.scale, reading.step, column);
    for (const auto& [column, buy, sell] : bars)
        reading.level(column) = {reading.level(column).price, buy, sell};
    return stored;
}

// The readings of one pair, of one kind when given.
inline ReadingQuery OfPair(const std::string& pair, std::optional<ChartKind> kind = std::nullopt)
{
    ReadingQuery query;
    query.pairText = pair;
    query.kind = kind;
    return query;
}

}  // namespace tivka::test
