// Random but plausible order-book content for one chart. All arithmetic on the
// random engine's output is done here with plain integers, so a seed gives the
// same chart on every platform and library.

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>

#include "chart_server/chart_renderer.h"
#include "chart_server/pair_levels.h"

namespace tivka::charts {
namespace {

constexpr int kSideLevels = 180;

class Dice {
public:
    explicit Dice(std::uint64_t seed) : engine_(seed) {}
    // A whole number in [lo, hi].
    int between(int lo, int hi) { return lo + int(engine_() % std::uint64_t(hi - lo + 1)); }
    bool percent(int chance) { return between(0, 99) < chance; }

private:
    std::mt19937_64 engine_;
};

// Counted lengths of one side's bars, index 0 next to the current price.
std::array<int, kSideLevels> cumulativeLengths(Dice& dice)
{
    std::array<int, kSideLevels> lengths{};
    const int density = dice.between(5, 40);
    int total = dice.between(0, 3);
    for (int& length : lengths) {
        if (dice.percent(density))
            total += dice.between(0, 2);
        if (dice.percent(2))
            total += dice.between(2, 8);
        length = std::min(total, kMaxBar);
    }
    return lengths;
}

std::array<int, kSideLevels> spikyLengths(Dice& dice)
{
    std::array<int, kSideLevels> lengths{};
    for (int& length : lengths) {
        if (dice.percent(6))
            length = dice.between(15, kMaxBar);
        else if (dice.percent(45))
            length = dice.between(1, 12);
    }
    return lengths;
}

// Splits a counted length into shading before the bar and the bar itself,
// and sometimes adds shading beyond a white gap (which a reader must not count).
BarDrawing shade(Dice& dice, int counted)
{
    BarDrawing bar;
    if (counted > 0 && dice.percent(15))
        bar.greyBefore = dice.between(1, std::min(counted, 4));
    bar.barPixels = counted - bar.greyBefore;
    const int room = kMaxBar - counted - 1;
    if (room > 0 && dice.percent(15))
        bar.greyAfterWhite = dice.between(1, std::min(room, 5));
    return bar;
}

// index 0..360 of a column's BarDrawing for the distance d (1..180) from 255.
int indexLeft(int d) { return kCurrentColumn - d - kFirstLevelColumn; }
int indexRight(int d) { return kCurrentColumn + d - kFirstLevelColumn; }

void fillBars(ChartModel& model, Dice& dice, bool cumulative)
{
    for (auto* bars : {&model.buy, &model.sell}) {
        for (bool left : {true, false}) {
            const auto lengths = cumulative ? cumulativeLengths(dice) : spikyLengths(dice);
            for (int d = 1; d <= kSideLevels; ++d)
                (*bars)[std::size_t(left ? indexLeft(d) : indexRight(d))] =
                    shade(dice, lengths[std::size_t(d - 1)]);
        }
    }
}

}  // namespace

ChartModel MakeChartModel(ChartKind kind, const std::string& pairText, bool cumulative,
                          std::uint64_t seed, const std::string& timeText)
{
    Dice dice(seed);
    const PairLevel level = PairLevelOf(pairText);
    ChartModel model;
    model.kind = kind;
    model.pairText = pairText;
    model.digits = level.digits;

    static constexpr int kStepPoints[] = {1, 2, 4};
    static constexpr int kLabelSpacing[] = {25, 30, 35, 40};
    const int stepPoints = kStepPoints[dice.between(0, 2)];
    // Column 255 lies on the scale's grid, so the price is a whole number of steps.
    int pricePoints = level.points + dice.between(-level.points / 100, level.points / 100);
    pricePoints -= pricePoints % stepPoints;
    model.priceText = FormatPoints(pricePoints, model.digits);
    model.price = pricePoints / double(PowerOfTen(model.digits));
    model.timeText = timeText;

    // Both texts start within the columns the readers scan for a first
    // character. A reader that has read a line looks again ten rows lower, so
    // the top row sits low enough for that row to fall outside its band; the
    // price's last row stays above the bars (row 45).
    const int priceChars = int(model.priceText.size());
    model.priceFirstColumn = dice.between(230, std::max(230, 275 - 6 * (priceChars - 1)));
    model.priceFirstRow = dice.between(31, 36);
    const int timeChars = int(timeText.size());
    model.timeFirstColumn = dice.between(378, std::max(378, std::min(395, 428 - 6 * (timeChars - 1))));
    model.timeFirstRow = dice.between(6, 12);

    PlaceScaleLabels(model, pricePoints, stepPoints, stepPoints * kLabelSpacing[dice.between(0, 3)]);

    fillBars(model, dice, cumulative);
    return model;
}

}  // namespace tivka::charts
