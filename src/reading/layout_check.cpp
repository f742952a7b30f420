#include "reading/layout_check.h"

#include <algorithm>
#include <cmath>
#include <cctype>
#include <cstdio>

namespace tivka {

namespace {

constexpr double kMaxLabelOffsetColumns = 2.0;

std::string priceText(double price)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", price);
    return text;
}

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

std::string notIncreasing(const std::vector<ScaleMark>& scale)
{
    for (std::size_t i = 1; i < scale.size(); ++i)
        if (!(scale[i].price > scale[i - 1].price))
            return "метки шкалы не возрастают (" + priceText(scale[i].price) + " после " +
                   priceText(scale[i - 1].price) + ")";
    return {};
}

// The label farthest from the least-squares line column = a + b * price.
std::string offTheLine(const std::vector<ScaleMark>& scale)
{
    const double n = double(scale.size());
    double meanPrice = 0, meanColumn = 0;
    for (const ScaleMark& mark : scale) {
        meanPrice += mark.price / n;
        meanColumn += mark.column / n;
    }
    double covariance = 0, variance = 0;
    for (const ScaleMark& mark : scale) {
        covariance += (mark.price - meanPrice) * (mark.column - meanColumn);
        variance += (mark.price - meanPrice) * (mark.price - meanPrice);
    }
    const double slope = variance > 0 ? covariance / variance : 0;
    const ScaleMark* worst = nullptr;
    double worstOffset = kMaxLabelOffsetColumns;
    for (const ScaleMark& mark : scale) {
        const double offset = std::fabs(mark.column - (meanColumn + slope * (mark.price - meanPrice)));
        if (offset > worstOffset) {
            worstOffset = offset;
            worst = &mark;
        }
    }
    if (!worst)
        return {};
    char columns[32];
    std::snprintf(columns, sizeof columns, "%.1f", worstOffset);
    return "метка " + priceText(worst->price) + " в " + columns + " столбцах от прямой шкалы";
}

std::string priceOutsideScale(const ChartReading& reading)
{
    const double low = std::min(reading.level(geometry::kFirstLevelColumn).price,
                                reading.level(geometry::kLastLevelColumn).price);
    const double high = std::max(reading.level(geometry::kFirstLevelColumn).price,
                                 reading.level(geometry::kLastLevelColumn).price);
    if (reading.price >= low && reading.price <= high)
        return {};
    return "цена " + reading.priceText + " вне шкалы " + priceText(low) + "–" + priceText(high);
}

}  // namespace

std::vector<std::string> LayoutProblems(const ChartReading& reading)
{
    std::vector<std::string> problems;
    if (!reading.complete())
        return problems;
    auto add = [&](std::string problem) {
        if (!problem.empty())
            problems.push_back(std::move(problem));
    };
    if (reading.scale.size() < 2) {
        add("меньше двух меток шкалы (" + std::to_string(reading.scale.size()) + ")");
    } else {
        add(notIncreasing(reading.scale));
        add(offTheLine(reading.scale));
        add(priceOutsideScale(reading));
    }
    if (!isClockTime(reading.timeText))
        add("время '" + reading.timeText + "' не в виде ЧЧ:ММ или ЧЧ:ММ:СС");
    return problems;
}

std::string LayoutWarning(const std::vector<std::pair<std::string, std::vector<std::string>>>& problemsByChart)
{
    std::string details;
    for (const auto& [chart, problems] : problemsByChart)
        for (const std::string& problem : problems)
            details += (details.empty() ? "" : "; ") + chart + ": " + problem;
    return details.empty() ? std::string() : "Разметка графика изменилась: " + details;
}

std::string PairLayoutWarning(const std::string& prefix, const ChartReading& orders, const ChartReading& positions)
{
    return LayoutWarning({{prefix + "ордера", LayoutProblems(orders)}, {prefix + "позиции", LayoutProblems(positions)}});
}

}  // namespace tivka
