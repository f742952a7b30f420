#include "history/history_figures.h"

#include <algorithm>
#include <limits>

namespace tivka {

namespace {

constexpr std::int64_t kDay = 86400;

struct PriceRange {
    double low = std::numeric_limits<double>::max();
    double high = std::numeric_limits<double>::lowest();
};

PriceRange levelPrices(const std::vector<StoredReading>& readings)
{
    PriceRange range;
    for (const StoredReading& stored : readings)
        for (const Level& level : stored.reading.levels) {
            range.low = std::min(range.low, level.price);
            range.high = std::max(range.high, level.price);
        }
    if (range.low > range.high)
        return {0, 1};
    if (range.low == range.high)
        range.high = range.low + 1;
    return range;
}

int bandOf(double value, double low, double high, int bands)
{
    const auto band = static_cast<long long>((value - low) / (high - low) * bands);
    return int(std::clamp<long long>(band, 0, bands - 1));
}

int columnOf(std::int64_t instant, const HeatMap& map)
{
    return int((instant - map.from) * map.columns / (map.to - map.from));
}

void paintColumn(HeatMap& map, int column, const StoredReading& stored)
{
    for (int row = 0; row < map.rows; ++row)
        map.cells[std::size_t(row * map.columns + column)] = -1;
    for (std::size_t i = 0; i < stored.reading.levels.size(); ++i) {
        if (int(i) + geometry::kFirstLevelColumn == geometry::kNowColumn)
            continue;
        const Level& level = stored.reading.levels[i];
        const int row = bandOf(level.price, map.lowPrice, map.highPrice, map.rows);
        int& cell = map.cells[std::size_t(row * map.columns + column)];
        cell = std::max(cell, PercentOf(level.buyPixels) + PercentOf(level.sellPixels));
    }
    map.prices[std::size_t(column)] = stored.reading.price;
}

}  // namespace

std::int64_t SpanStart(HistorySpan span, std::int64_t now)
{
    switch (span) {
    case HistorySpan::Day: return now - kDay;
    case HistorySpan::Week: return now - 7 * kDay;
    case HistorySpan::Month: return now - 30 * kDay;
    default: return std::numeric_limits<std::int64_t>::min();
    }
}

SideSums PercentSums(const ChartReading& reading)
{
    SideSums sums;
    for (const Level& level : reading.levels) {
        sums.buy += PercentOf(level.buyPixels);
        sums.sell += PercentOf(level.sellPixels);
    }
    return sums;
}

std::optional<double> BuyShare(const ChartReading& reading)
{
    const SideSums sums = PercentSums(reading);
    if (sums.buy + sums.sell == 0)
        return std::nullopt;
    return 100.0 * sums.buy / (sums.buy + sums.sell);
}

std::vector<TrendPoint> TrendPoints(const std::vector<StoredReading>& readings)
{
    std::vector<TrendPoint> points;
    points.reserve(readings.size());
    for (const StoredReading& stored : readings)
        points.push_back({stored.fetchedAt, stored.reading.timeText, stored.reading.price,
                          PercentSums(stored.reading), BuyShare(stored.reading)});
    return points;
}

HeatMap MakeHeatMap(const std::vector<StoredReading>& readings, std::int64_t from, std::int64_t to, int columns,
                    int rows)
{
    HeatMap map;
    map.columns = std::max(columns, 1);
    map.rows = std::max(rows, 1);
    map.from = from;
    map.to = std::max(to, from + 1);
    const PriceRange range = levelPrices(readings);
    map.lowPrice = range.low;
    map.highPrice = range.high;
    map.cells.assign(std::size_t(map.columns * map.rows), -1);
    map.prices.assign(std::size_t(map.columns), std::nullopt);
    for (const StoredReading& stored : readings)
        if (stored.fetchedAt >= map.from && stored.fetchedAt < map.to)
            paintColumn(map, columnOf(stored.fetchedAt, map), stored);
    return map;
}

}  // namespace tivka
