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

// The current price too: a price line outside the levels would be cut off.
PriceRange levelPrices(const std::vector<StoredReading>& readings)
{
    PriceRange range;
    const auto take = [&range](double price) {
        range.low = std::min(range.low, price);
        range.high = std::max(range.high, price);
    };
    for (const StoredReading& stored : readings) {
        take(stored.reading.price);
        for (const Level& level : stored.reading.levels)
            take(level.price);
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
    const std::int64_t column = (instant - map.from) * map.columns / (map.to - map.from);
    return int(std::clamp<std::int64_t>(column, 0, map.columns - 1));
}

std::vector<std::int64_t> fetchTimes(const std::vector<StoredReading>& readings)
{
    std::vector<std::int64_t> times;
    times.reserve(readings.size());
    for (const StoredReading& stored : readings)
        times.push_back(stored.fetchedAt);
    return times;
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
    map.flagged[std::size_t(column)] = stored.failedChecks && !stored.failedChecks->empty();
}

}  // namespace

std::int64_t UsualStep(const std::vector<std::int64_t>& times)
{
    if (times.size() < 2)
        return 0;
    std::vector<std::int64_t> steps;
    for (std::size_t i = 1; i < times.size(); ++i)
        steps.push_back(times[i] - times[i - 1]);
    const auto middle = steps.begin() + std::ptrdiff_t((steps.size() - 1) / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    return *middle;
}

bool IsGap(std::int64_t step, std::int64_t usualStep)
{
    return step > 3 * usualStep;
}

std::vector<std::pair<std::size_t, std::size_t>> GaplessRuns(const std::vector<std::int64_t>& times)
{
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    const std::int64_t usual = UsualStep(times);
    std::size_t first = 0;
    for (std::size_t i = 1; i <= times.size(); ++i)
        if (i == times.size() || IsGap(times[i] - times[i - 1], usual)) {
            runs.emplace_back(first, i);
            first = i;
        }
    return runs;
}

std::vector<std::pair<std::size_t, std::size_t>> SoundRuns(const std::vector<TrendPoint>& points)
{
    std::vector<std::int64_t> times;
    for (const TrendPoint& point : points)
        times.push_back(point.fetchedAt);
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    for (const auto& [first, end] : GaplessRuns(times)) {
        std::size_t start = first;
        for (std::size_t i = first; i <= end; ++i) {
            if (i < end && !points[i].flagged())
                continue;
            if (i > start)
                runs.emplace_back(start, i);
            start = i + 1;
        }
    }
    return runs;
}

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
                          PercentSums(stored.reading), BuyShare(stored.reading), stored.failedChecks});
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
    map.flagged.assign(std::size_t(map.columns), false);
    const std::vector<std::int64_t> times = fetchTimes(readings);
    const std::int64_t usual = UsualStep(times);
    for (std::size_t i = 0; i < readings.size(); ++i) {
        const std::int64_t start = times[i];
        const bool nextHolds = i + 1 < times.size() && !IsGap(times[i + 1] - start, usual);
        const std::int64_t end = nextHolds ? times[i + 1] : start + std::max<std::int64_t>(usual, 1);
        if (end <= map.from || start >= map.to)
            continue;
        for (int column = columnOf(start, map); column <= columnOf(end - 1, map); ++column)
            paintColumn(map, column, readings[i]);
    }
    return map;
}

}  // namespace tivka
