#include "chart_server/pair_levels.h"

namespace tivka::charts {
namespace {

constexpr PairLevel kPairs[] = {
    {"GBP/USD", 12700, 4, 2}, {"EUR/USD", 10800, 4, 2}, {"AUD/USD", 6600, 4, 1}, {"USD/JPY", 14950, 2, 4},
    {"USD/CAD", 13600, 4, 2}, {"USD/CHF", 8800, 4, 1},  {"EUR/GBP", 8500, 4, 1}, {"EUR/JPY", 16100, 2, 4},
    {"EUR/CHF", 9500, 4, 1},  {"GBP/JPY", 18900, 2, 4},
};

}  // namespace

PairLevel PairLevelOf(const std::string& pairText)
{
    for (const PairLevel& level : kPairs)
        if (pairText == level.pair)
            return level;
    return {"", 10000, 4, 2};
}

int PowerOfTen(int digits)
{
    int p = 1;
    while (digits-- > 0)
        p *= 10;
    return p;
}

std::string FormatPoints(int points, int digits)
{
    const int unit = PowerOfTen(digits);
    std::string decimals = std::to_string(points % unit);
    decimals.insert(0, std::size_t(digits) - decimals.size(), '0');
    return std::to_string(points / unit) + "." + decimals;
}

void PlaceScaleLabels(ChartModel& model, int pricePoints, int stepPoints, int interval)
{
    const double unit = PowerOfTen(model.digits);
    for (int tick = kFirstLevelColumn + 3; tick <= kLastLevelColumn; ++tick) {
        const int points = pricePoints + (tick - kCurrentColumn) * stepPoints;
        if (points % interval == 0)
            model.labels.push_back({tick - 3, FormatPoints(points, model.digits), points / unit});
    }
}

}  // namespace tivka::charts
