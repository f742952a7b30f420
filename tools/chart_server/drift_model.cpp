// Charts whose figures drift smoothly with time, for a realistic history:
// the price wanders on slow waves, the bars of each price level come from a
// fixed profile (so a wall of orders stays at its price while the price moves
// past it) and swell and shrink slowly, and the positions' buy side gains
// and loses weight against the sell side over the day. Every figure is a
// function of the seed, the chart and the minute, so any minute can be drawn
// on its own and the same minute always gives the same chart.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>

#include "chart_server/chart_renderer.h"
#include "chart_server/pair_levels.h"

namespace tivka::charts {
namespace {

constexpr double kTau = 2 * std::numbers::pi;

std::uint64_t mix(std::uint64_t value)
{
    value += 0x9e3779b97f4a7c15ull;
    value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ull;
    value = (value ^ (value >> 27)) * 0x94d049bb133111ebull;
    return value ^ (value >> 31);
}

// A number in [0, 1) fixed for the inputs.
double unit(std::uint64_t seed, std::uint64_t a, std::uint64_t b = 0)
{
    return double(mix(mix(mix(seed) ^ a) ^ b) >> 11) / double(1ull << 53);
}

std::uint64_t identity(const std::string& pairText, ChartKind kind, bool cumulative)
{
    std::uint64_t hash = 1469598103934665603ull;
    for (const unsigned char c : pairText)
        hash = (hash ^ c) * 1099511628211ull;
    return hash ^ (kind == ChartKind::Orders ? 0x100 : 0x200) ^ (cumulative ? 0x1000 : 0);
}

std::string clockText(std::int64_t minute)
{
    const auto ofDay = int(((minute % 1440) + 1440) % 1440);
    const std::string hours = std::to_string(ofDay / 60);
    const std::string minutes = std::to_string(ofDay % 60);
    return (hours.size() < 2 ? "0" : "") + hours + ":" + (minutes.size() < 2 ? "0" : "") + minutes;
}

// The price in points at a minute: two slow waves around the pair's level,
// on the scale's grid.
int pricePointsAt(const PairLevel& level, std::uint64_t seed, std::int64_t minute)
{
    const double t = double(minute);
    const double swing = level.points / 120.0;
    const double wave = 0.65 * std::sin(kTau * t / 1440 + kTau * unit(seed, 1)) +
                        0.35 * std::sin(kTau * t / 317 + kTau * unit(seed, 2));
    const int points = level.points + int(std::lround(swing * wave));
    return points - points % level.stepPoints;
}

// The bar of one side of one price level at a minute, before any
// accumulation: most levels hold a small bar or none, a few hold a wall.
double barAt(std::uint64_t seed, int pricePoints, int side, std::int64_t minute)
{
    const double kindOfLevel = unit(seed, std::uint64_t(pricePoints), std::uint64_t(side));
    const double size = unit(seed, std::uint64_t(pricePoints), std::uint64_t(side) + 10);
    double base = 0;
    if (kindOfLevel < 0.05)
        base = 30 + 40 * size;
    else if (kindOfLevel < 0.55)
        base = 1 + 9 * size;
    const double period = 300 + 900 * unit(seed, std::uint64_t(pricePoints), std::uint64_t(side) + 20);
    const double phase = kTau * unit(seed, std::uint64_t(pricePoints), std::uint64_t(side) + 30);
    return base * (0.6 + 0.4 * std::sin(kTau * double(minute) / period + phase));
}

// How much of its profile each side shows at a minute: the buy side swells
// while the sell side shrinks, and back, over about half a day.
double sideWeight(std::uint64_t seed, int side, std::int64_t minute)
{
    const double swing = 0.35 * std::sin(kTau * double(minute) / 700 + kTau * unit(seed, 3));
    return side == 0 ? 1 + swing : 1 - swing;
}

void fillDriftingBars(ChartModel& model, std::uint64_t seed, int pricePoints, int stepPoints, bool cumulative,
                      std::int64_t minute)
{
    for (int side = 0; side < 2; ++side) {
        auto& bars = side == 0 ? model.buy : model.sell;
        const double weight = sideWeight(seed, side, minute);
        for (const int direction : {-1, 1}) {
            double total = 0;
            for (int d = 1; d <= kCurrentColumn - kFirstLevelColumn; ++d) {
                const int column = kCurrentColumn + direction * d;
                const double bar = weight * barAt(seed, pricePoints + direction * d * stepPoints, side, minute);
                total += bar / 6;
                const double length = cumulative ? total : bar;
                bars[std::size_t(column - kFirstLevelColumn)].barPixels =
                    std::clamp(int(std::lround(length)), 0, kMaxBar);
            }
        }
    }
}

}  // namespace

ChartModel MakeDriftingChartModel(ChartKind kind, const std::string& pairText, bool cumulative,
                                  std::uint64_t seed, std::int64_t minute)
{
    const PairLevel level = PairLevelOf(pairText);
    const std::uint64_t chartSeed = mix(seed ^ identity(pairText, kind, cumulative));
    ChartModel model;
    model.kind = kind;
    model.pairText = pairText;
    model.digits = level.digits;
    // Both charts of a pair, in both variants, show the same price.
    const int pricePoints = pricePointsAt(level, mix(seed ^ identity(pairText, ChartKind::Orders, false)), minute);
    model.priceText = FormatPoints(pricePoints, model.digits);
    model.price = pricePoints / double(PowerOfTen(model.digits));
    model.timeText = clockText(minute);
    model.priceFirstColumn = 240;
    model.priceFirstRow = 33;
    model.timeFirstColumn = 385;
    model.timeFirstRow = 8;
    PlaceScaleLabels(model, pricePoints, level.stepPoints, level.stepPoints * 30);
    fillDriftingBars(model, chartSeed, pricePoints, level.stepPoints, cumulative, minute);
    return model;
}

}  // namespace tivka::charts
