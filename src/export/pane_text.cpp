#include "export/pane_text.h"

#include "platform/number_format.h"

namespace tivka {

namespace {

constexpr int kPaneSignificantDigits = 15;
constexpr int kReadoutSignificantDigits = 6;

constexpr std::array<const char*, 4> kOrdersGroups = {"Buy limit", "Buy stop", "Sell stop", "Sell limit"};
constexpr std::array<const char*, 4> kPositionsGroups = {"Buy +", "Buy -", "Sell -", "Sell +"};

void appendGroup(std::vector<std::string>& lines, ChartKind kind, int group, const ChartReading& reading,
                 const PaneFilter& filter, int decimals, const std::string& separator)
{
    lines.push_back(std::string("--- ") + GroupNames(kind)[std::size_t(group)] + " ---");
    const GroupColumns columns = ColumnsOfGroup(group);
    for (int x = columns.firstColumn; x <= columns.lastColumn; ++x) {
        const Level& level = reading.level(x);
        const int counted = columns.buy ? level.buyPixels : level.sellPixels;
        if (PassesFilter(counted, filter))
            lines.push_back(PanePriceText(level.price, decimals, separator) + " - " +
                            std::to_string(PercentOf(counted)) + "%");
    }
}

}  // namespace

bool PassesFilter(int countedPixels, const PaneFilter& filter)
{
    const std::int64_t share = 100 * std::int64_t(countedPixels);
    const std::int64_t bound = std::int64_t(geometry::kFullBarPixels) * std::int64_t(filter.threshold);
    return (filter.atLeast && share >= bound) || (filter.atMost && share <= bound);
}

const std::array<const char*, 4>& GroupNames(ChartKind kind)
{
    return kind == ChartKind::Orders ? kOrdersGroups : kPositionsGroups;
}

GroupColumns ColumnsOfGroup(int group)
{
    using namespace geometry;
    const bool below = group % 2 == 0;
    return {below ? kFirstLevelColumn : kNowColumn + 1, below ? kNowColumn - 1 : kLastLevelColumn, group < 2};
}

std::string PanePriceText(double price, int decimals, const std::string& systemSeparator)
{
    return FormatPrice(price, decimals, kPaneSignificantDigits, systemSeparator);
}

std::vector<std::string> PaneLines(ChartKind kind, const ChartReading& reading, const PaneFilter& filter,
                                   int decimals, const std::string& systemSeparator)
{
    std::vector<std::string> lines{"--- Now Price ----", reading.priceText};
    if (reading.failure && reading.failure->stage == ReadingFailure::Stage::Price)
        return lines;
    lines.push_back("--- time ----");
    lines.push_back(reading.timeText);
    if (!reading.complete())
        return lines;
    for (int group = 0; group < 4; ++group)
        appendGroup(lines, kind, group, reading, filter, decimals, systemSeparator);
    return lines;
}

ReadoutText ReadoutTexts(const ChartReading& reading, int decimals, int column, const std::string& systemSeparator)
{
    const Level& level = reading.level(column);
    ReadoutText text;
    text.price = FormatPrice(level.price, decimals, kReadoutSignificantDigits, systemSeparator);
    text.line = text.price + " : Buy-" + std::to_string(PercentOf(level.buyPixels)) + "%  Sell-" +
                std::to_string(PercentOf(level.sellPixels)) + "%";
    return text;
}

}  // namespace tivka
