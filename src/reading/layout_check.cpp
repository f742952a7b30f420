#include "reading/layout_check.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <optional>

namespace tivka {

namespace {

using namespace geometry;

// Label ticks are whole pixels, so on a sound chart the labels lie on their
// line only to within rounding, and neighbouring steps vary by a few per
// cent; two columns leave room for that and still catch a label that
// belongs to another scale or was read at the wrong place.
constexpr double kMaxLabelOffsetColumns = 2.0;

// The readers give column 255 the current price and every column beside it
// one step more or less, so the scale must put the price on column 255
// itself: nearer to it than to either neighbour. On a sound chart it lies
// there exactly (the price is a whole number of steps, the labels sit on
// their ticks; a label off by the two columns the line check allows moves
// the line at 255 by two columns over the number of labels, under a quarter
// of a column with the nine or more labels the charts carry). A picture
// moved sideways by one pixel moves every label by a whole column.
constexpr double kMaxPriceColumnOffset = 0.5;

// How far around the bar groups bar colours are looked for: a picture moved
// by a few pixels takes its bars this far; a legend farther away is not the
// guard's business.
constexpr int kBarColourMargin = 5;

// The readers compare colours exactly, and a sound chart draws its bar
// groups in white, grey and the two bar colours only: the chart server's
// sound charts hold no other colour there at all. A pixel of another colour
// inside a bar makes it read shorter, so a handful of them (a speck, a
// cursor's dot) cost a bar at most that many pixels; four pixels are
// tolerated. Bars drawn in another colour put hundreds there (150 and more on
// every chart the tests try).
constexpr int kMaxForeignPixels = 4;

bool twoDigits(const std::string& text, std::size_t at, int limit)
{
    if (at + 2 > text.size() || !std::isdigit(static_cast<unsigned char>(text[at])) ||
        !std::isdigit(static_cast<unsigned char>(text[at + 1])))
        return false;
    return (text[at] - '0') * 10 + (text[at + 1] - '0') < limit;
}

bool isClockTime(const std::string& text)
{
    if (text.size() != 5 && text.size() != 8)
        return false;
    if (!twoDigits(text, 0, 24) || text[2] != ':' || !twoDigits(text, 3, 60))
        return false;
    return text.size() == 5 || (text[5] == ':' && twoDigits(text, 6, 60));
}

// The least-squares line column = meanColumn + slope * (price - meanPrice)
// through the labels' ticks.
struct ScaleLine {
    double meanPrice = 0;
    double meanColumn = 0;
    double slope = 0;
    bool sloped = false;  // false when all labels have one price

    double columnOf(double price) const { return meanColumn + slope * (price - meanPrice); }
};

ScaleLine lineThrough(const std::vector<ScaleMark>& scale)
{
    ScaleLine line;
    const double n = double(scale.size());
    for (const ScaleMark& mark : scale) {
        line.meanPrice += mark.price / n;
        line.meanColumn += mark.column / n;
    }
    double covariance = 0, variance = 0;
    for (const ScaleMark& mark : scale) {
        covariance += (mark.price - line.meanPrice) * (mark.column - line.meanColumn);
        variance += (mark.price - line.meanPrice) * (mark.price - line.meanPrice);
    }
    line.sloped = variance > 0;
    line.slope = line.sloped ? covariance / variance : 0;
    return line;
}

// On a sound chart the label scan meets ink only where a label begins (it
// moves past a label once it has read it), so no column is tolerated: ink
// that starts no text is a label in glyphs the template does not hold, or
// one cut by the picture's edge, and the scale is made of those left.
std::optional<LayoutProblem> unreadInk(const std::vector<LabelInk>& ink)
{
    layout::UnreadInk found{0, 0};
    for (const LabelInk& place : ink)
        if (place.text.empty() && found.columns++ == 0)
            found.firstColumn = place.column;
    if (found.columns == 0)
        return std::nullopt;
    return LayoutProblem{LayoutCheck::LabelsRead, found};
}

std::optional<LayoutProblem> notRising(const std::vector<ScaleMark>& scale)
{
    for (std::size_t i = 1; i < scale.size(); ++i)
        if (!(scale[i].price > scale[i - 1].price))
            return LayoutProblem{LayoutCheck::LabelsRising, layout::LabelOrder{scale[i].price, scale[i - 1].price}};
    return std::nullopt;
}

// The label farthest from the line, when it is too far.
std::optional<LayoutProblem> offTheLine(const std::vector<ScaleMark>& scale, const ScaleLine& line)
{
    const ScaleMark* worst = nullptr;
    double worstOffset = kMaxLabelOffsetColumns;
    for (const ScaleMark& mark : scale) {
        const double offset = std::fabs(mark.column - line.columnOf(mark.price));
        if (offset > worstOffset) {
            worstOffset = offset;
            worst = &mark;
        }
    }
    if (!worst)
        return std::nullopt;
    return LayoutProblem{LayoutCheck::LabelsOnLine, layout::LabelOffLine{worst->price, worstOffset}};
}

std::optional<LayoutProblem> priceOutsideScale(const ChartReading& reading)
{
    const double first = reading.level(kFirstLevelColumn).price;
    const double last = reading.level(kLastLevelColumn).price;
    const double low = std::min(first, last);
    const double high = std::max(first, last);
    if (reading.price >= low && reading.price <= high)
        return std::nullopt;
    return LayoutProblem{LayoutCheck::PriceInScale, layout::PriceRange{reading.priceText, low, high}};
}

std::optional<LayoutProblem> priceOffItsColumn(const ChartReading& reading, const ScaleLine& line)
{
    if (!line.sloped)
        return std::nullopt;
    const double column = line.columnOf(reading.price);
    if (std::fabs(column - kNowColumn) <= kMaxPriceColumnOffset)
        return std::nullopt;
    return LayoutProblem{LayoutCheck::PriceColumn, layout::PriceColumn{reading.price, column}};
}

bool isBarColour(Colour c)
{
    return c == colours::olive || c == colours::teal;
}

// The axis row over the level columns (255 holds the price line): one
// colour, not a bar colour, in every column. A sound chart draws it
// unbroken (the readers never count row 120, so its colour is free, white
// included); a picture moved up or down puts the first row of bars and
// background there instead.
std::optional<LayoutProblem> axisBroken(const Bitmap& chart)
{
    std::map<Colour, int> seen;
    for (int x = kFirstLevelColumn; x <= kLastLevelColumn; ++x)
        if (x != kNowColumn)
            ++seen[chart.pixel(x, kAxisRow)];
    const Colour axis =
        std::max_element(seen.begin(), seen.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
    const bool drawn = axis != colours::none && !isBarColour(axis);
    layout::AxisBreak found{0, 0, colours::none};
    for (int x = kFirstLevelColumn; x <= kLastLevelColumn; ++x) {
        const Colour c = chart.pixel(x, kAxisRow);
        if (x == kNowColumn || (drawn && c == axis))
            continue;
        if (found.columns++ == 0) {
            found.firstColumn = x;
            found.colour = c;
        }
    }
    if (found.columns == 0)
        return std::nullopt;
    return LayoutProblem{LayoutCheck::AxisRow, found};
}

// The bar group a pixel lies in, or -1 outside every group.
int barGroupAt(int x, int y)
{
    const bool above = y >= kBuyFarRow && y <= kBuyNearAxisRow;
    const bool below = y >= kSellNearAxisRow && y <= kSellFarRow;
    const bool left = x >= kFirstLevelColumn && x < kNowColumn;
    const bool right = x > kNowColumn && x <= kLastLevelColumn;
    if (!(above || below) || !(left || right))
        return -1;
    return (below ? 2 : 0) + (right ? 1 : 0);
}

// Pixels of each colour found where they must not be, the first of each.
class StrayTally {
public:
    void add(Colour c, int x, int y)
    {
        layout::StrayPixels& found = byColour_.try_emplace(c, layout::StrayPixels{c, 0, x, y}).first->second;
        ++found.pixels;
    }
    // The colour with most pixels, when it has more than `tolerated`.
    std::optional<LayoutProblem> worst(LayoutCheck check, int tolerated) const
    {
        const layout::StrayPixels* worst = nullptr;
        for (const auto& [colour, found] : byColour_)
            if (!worst || found.pixels > worst->pixels)
                worst = &found;
        if (!worst || worst->pixels <= tolerated)
            return std::nullopt;
        return LayoutProblem{check, *worst};
    }

private:
    std::map<Colour, layout::StrayPixels> byColour_;
};

// Bar colours outside the bar groups (the axis row and column 255
// included), a bar colour in the group that counts the other one, and
// colours no pass knows inside the groups. A sound chart has none of the
// first two at all, so none is tolerated: its bars are drawn only where the
// passes walk, each in its group's colour, and a pass counts a bar pixel
// anywhere else as nothing.
void checkBarColours(const Bitmap& chart, std::vector<LayoutProblem>& problems)
{
    StrayTally place, side, foreign;
    for (int y = kBuyFarRow - kBarColourMargin; y <= kSellFarRow + kBarColourMargin; ++y)
        for (int x = kFirstLevelColumn - kBarColourMargin; x <= kLastLevelColumn + kBarColourMargin; ++x) {
            const Colour c = chart.pixel(x, y);
            if (c == colours::white)  // most of the picture
                continue;
            const int group = barGroupAt(x, y);
            if (isBarColour(c) && group < 0)
                place.add(c, x, y);
            else if (isBarColour(c) && c != kBarGroups[group].colour)
                side.add(c, x, y);
            else if (group >= 0 && !isBarColour(c) && c != colours::grey)
                foreign.add(c, x, y);
        }
    for (auto found : {place.worst(LayoutCheck::BarColourPlace, 0), side.worst(LayoutCheck::BarColourSide, 0),
                       foreign.worst(LayoutCheck::BarAreaColour, kMaxForeignPixels)})
        if (found)
            problems.push_back(*found);
}

// A chart whose passes count nothing at all shows no order book: its bars
// are drawn in a way the passes do not see.
bool anyBar(const ChartReading& reading)
{
    return std::any_of(reading.levels.begin(), reading.levels.end(),
                       [](const Level& level) { return level.buyPixels > 0 || level.sellPixels > 0; });
}

void checkScale(const ChartReading& reading, std::vector<LayoutProblem>& problems)
{
    auto add = [&](std::optional<LayoutProblem> problem) {
        if (problem)
            problems.push_back(std::move(*problem));
    };
    add(unreadInk(reading.labelInk));
    if (reading.scale.size() < 2) {
        add(LayoutProblem{LayoutCheck::LabelCount, layout::LabelCount{int(reading.scale.size())}});
        return;
    }
    const ScaleLine line = lineThrough(reading.scale);
    add(notRising(reading.scale));
    add(offTheLine(reading.scale, line));
    add(priceOutsideScale(reading));
    add(priceOffItsColumn(reading, line));
}

}  // namespace

std::vector<LayoutProblem> LayoutProblems(const Bitmap& chart, const ChartReading& reading)
{
    std::vector<LayoutProblem> problems;
    if (!reading.complete())
        return problems;
    checkScale(reading, problems);
    if (!isClockTime(reading.timeText))
        problems.push_back({LayoutCheck::TimeFormat, layout::TimeText{reading.timeText}});
    // Every place the readers use is counted from the top left corner of a
    // picture of exactly this size; another size is another drawing.
    if (chart.width() != kChartWidth || chart.height() != kChartHeight)
        problems.push_back({LayoutCheck::PictureSize, layout::PictureSize{chart.width(), chart.height()}});
    if (auto axis = axisBroken(chart))
        problems.push_back(*axis);
    checkBarColours(chart, problems);
    if (!anyBar(reading))
        problems.push_back({LayoutCheck::BarsPresent, {}});
    std::stable_sort(problems.begin(), problems.end(),
                     [](const LayoutProblem& a, const LayoutProblem& b) { return a.check < b.check; });
    return problems;
}

LayoutChecks LayoutChecks::failedIn(const std::vector<LayoutProblem>& problems)
{
    std::uint32_t bits = 0;
    for (const LayoutProblem& problem : problems)
        bits |= 1u << unsigned(problem.check);
    return LayoutChecks(bits);
}

const char* LayoutCheckName(LayoutCheck check)
{
    static constexpr const char* kNames[kLayoutCheckCount] = {
        "label_count",     "labels_read",     "labels_rising",   "labels_on_line", "price_in_scale",
        "time_format",     "picture_size",    "price_column",    "axis_row",       "bar_colour_place",
        "bar_colour_side", "bar_area_colour", "bars_present",
    };
    return kNames[std::size_t(check)];
}

}  // namespace tivka
