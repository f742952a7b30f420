#include "export/indicator_data.h"

#include <string_view>

#include "platform/files.h"
#include "platform/number_format.h"

namespace tivka {

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr int kDataSignificantDigits = 6;

// The indicators parse "." whatever the user's separator is.
std::string indicatorPriceText(double value, int decimals)
{
    return FormatPrice(value, decimals, kDataSignificantDigits, ".");
}

void appendLevelRows(std::string& out, const ChartReading& chart, int firstColumn, int lastColumn, int decimals)
{
    for (int x = firstColumn; x <= lastColumn; ++x) {
        const Level& level = chart.level(x);
        out += indicatorPriceText(level.price, decimals);
        out += ';';
        out += std::to_string(PercentOf(level.buyPixels));
        out += ';';
        out += std::to_string(PercentOf(level.sellPixels));
        out += kLineEnd;
    }
}

// The two halves of one chart: below the current price, then above it.
// The outermost columns 75 and 435 and the current price's column are never
// part of the file.
void appendChartRows(std::string& out, const ChartReading& chart, int decimals)
{
    using namespace geometry;
    appendLevelRows(out, chart, kFirstLevelColumn + 1, kNowColumn - 1, decimals);
    appendLevelRows(out, chart, kNowColumn + 1, kLastLevelColumn - 1, decimals);
}

}  // namespace

std::string IndicatorDataText(const ChartReading& orders, const ChartReading& positions, int decimals)
{
    std::string out;
    out.reserve(720 * 20);
    out += orders.timeText + kLineEnd;
    out += indicatorPriceText(orders.price, decimals) + kLineEnd;
    out += std::string("Orders") + kLineEnd;
    appendChartRows(out, orders, decimals);
    out += std::string("Position") + kLineEnd;
    appendChartRows(out, positions, decimals);
    return out;
}

Status WriteIndicatorData(const std::string& pathWithoutExtension, const std::string& text)
{
    return RewriteFile(pathWithoutExtension + ".csv", text);
}

Status WriteRequestFlag(const std::string& path, char value)
{
    return RewriteExistingFile(path, std::string_view(&value, 1));
}

}  // namespace tivka
