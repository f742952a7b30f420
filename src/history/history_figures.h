#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "export/reading_recorder.h"

namespace tivka {

// The figures the history window draws, computed from stored readings.

enum class HistorySpan { Day, Week, Month, All };

// The first instant of `span` ending at `now`; the earliest possible for All.
std::int64_t SpanStart(HistorySpan span, std::int64_t now);

// Sums of the bar percentages (PercentOf of each level's pixels) of a
// chart's buy groups (both sides of the price) and of its sell groups.
struct SideSums {
    int buy = 0;
    int sell = 0;
};
SideSums PercentSums(const ChartReading& reading);

// The buy share of a positions chart in per cent: the buy groups' sum
// against the sum of all four groups; nothing for a chart without bars.
std::optional<double> BuyShare(const ChartReading& reading);

// One reading on the price and sentiment lines.
struct TrendPoint {
    std::int64_t fetchedAt = 0;
    std::string chartTime;
    double price = 0;
    SideSums sums;
    std::optional<double> buyShare;
    // The layout guard's verdict, when one was kept: a reading it flagged is
    // not part of the lines.
    std::optional<LayoutChecks> failedChecks;
    bool flagged() const { return failedChecks && !failedChecks->empty(); }
};
std::vector<TrendPoint> TrendPoints(const std::vector<StoredReading>& readings);

// The usual time from one reading to the next: the median of the steps
// between `times` (in order), 0 for fewer than two.
std::int64_t UsualStep(const std::vector<std::int64_t>& times);

// Whether a step of `step` seconds between two readings is a gap in the
// data, not their usual pace: longer than three usual steps.
bool IsGap(std::int64_t step, std::int64_t usualStep);

// The runs of `times` (in order) without a gap, as [first, end) indexes:
// each run is drawn as one line, and nothing is drawn across a gap.
std::vector<std::pair<std::size_t, std::size_t>> GaplessRuns(const std::vector<std::int64_t>& times);

// The runs of `points` drawn as lines: without a gap, and without a reading
// the layout guard flagged (such a reading ends a run and is drawn on its
// own, so that figures read off a changed chart never pass for a trend).
std::vector<std::pair<std::size_t, std::size_t>> SoundRuns(const std::vector<TrendPoint>& points);

// The orders chart over time as a grid of cells, time across (column 0 the
// oldest) and price up (row 0 the lowest price band). A reading holds from
// its fetch until the next one, or for one usual step when the next comes
// only after a gap (or there is none). A cell holds the largest bar
// percentage (buy + sell of one level) of the latest reading that holds in
// its time band, among the levels whose price falls into its price band, or
// -1 where no reading holds (a gap) or no level lies there.
struct HeatMap {
    int columns = 0;
    int rows = 0;
    std::int64_t from = 0;  // start of column 0
    std::int64_t to = 0;    // end of the last column
    double lowPrice = 0;    // lower edge of row 0
    double highPrice = 0;   // upper edge of the last row
    std::vector<int> cells;                     // row-major, rows x columns
    std::vector<std::optional<double>> prices;  // each column's current price
    std::vector<bool> flagged;                  // each column's reading was flagged by the layout guard
    int at(int column, int row) const { return cells[std::size_t(row * columns + column)]; }
};

// `readings` in fetch order; from < to, columns and rows at least 1. The
// price range is that of every level and current price of the readings.
HeatMap MakeHeatMap(const std::vector<StoredReading>& readings, std::int64_t from, std::int64_t to, int columns,
                    int rows);

}  // namespace tivka
