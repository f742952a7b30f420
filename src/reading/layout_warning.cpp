#include "reading/layout_warning.h"

#include <cstdio>
#include <type_traits>

namespace tivka {

namespace {

std::string priceText(double price)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", price);
    return text;
}

std::string oneDecimal(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string colourText(Colour colour)
{
    if (colour == colours::none)
        return "вне картинки";
    char text[16];
    std::snprintf(text, sizeof text, "#%06X", unsigned(colour));
    return text;
}

std::string place(int column, int row)
{
    return "столбец " + std::to_string(column) + ", строка " + std::to_string(row);
}

std::string strayText(LayoutCheck check, const layout::StrayPixels& f)
{
    const std::string where = " (первая: " + place(f.column, f.row) + ")";
    const std::string pixels = std::to_string(f.pixels) + " точек цвета " + colourText(f.colour);
    switch (check) {
    case LayoutCheck::BarColourPlace: return "цвет столбиков вне их места: " + pixels + where;
    case LayoutCheck::BarColourSide: return "столбики не своего цвета: " + pixels + where;
    default: return "в области столбиков " + pixels + ", который не читается" + where;
    }
}

}  // namespace

std::string LayoutProblemText(const LayoutProblem& problem)
{
    return std::visit(
        [&](const auto& f) -> std::string {
            using F = std::decay_t<decltype(f)>;
            if constexpr (std::is_same_v<F, layout::LabelCount>)
                return "меньше двух меток шкалы (" + std::to_string(f.labels) + ")";
            else if constexpr (std::is_same_v<F, layout::UnreadInk>)
                return "в строках меток " + std::to_string(f.columns) +
                       " столбцов с чернилами не читаются как метка (первый: " + std::to_string(f.firstColumn) + ")";
            else if constexpr (std::is_same_v<F, layout::LabelOrder>)
                return "метки шкалы не возрастают (" + priceText(f.price) + " после " + priceText(f.previous) + ")";
            else if constexpr (std::is_same_v<F, layout::LabelOffLine>)
                return "метка " + priceText(f.price) + " в " + oneDecimal(f.columns) + " столбцах от прямой шкалы";
            else if constexpr (std::is_same_v<F, layout::PriceRange>)
                return "цена " + f.priceText + " вне шкалы " + priceText(f.low) + "–" + priceText(f.high);
            else if constexpr (std::is_same_v<F, layout::TimeText>)
                return "время '" + f.text + "' не в виде ЧЧ:ММ или ЧЧ:ММ:СС";
            else if constexpr (std::is_same_v<F, layout::PictureSize>)
                return "картинка " + std::to_string(f.width) + " × " + std::to_string(f.height) + " точек, а не " +
                       std::to_string(geometry::kChartWidth) + " × " + std::to_string(geometry::kChartHeight);
            else if constexpr (std::is_same_v<F, layout::PriceColumn>)
                return "шкала ставит цену " + priceText(f.price) + " в столбец " + oneDecimal(f.column) +
                       ", а не " + std::to_string(geometry::kNowColumn);
            else if constexpr (std::is_same_v<F, layout::AxisBreak>)
                return "ось в строке " + std::to_string(geometry::kAxisRow) + " прервана в " +
                       std::to_string(f.columns) + " столбцах (первый: " + std::to_string(f.firstColumn) +
                       ", цвет " + colourText(f.colour) + ")";
            else if constexpr (std::is_same_v<F, layout::StrayPixels>)
                return strayText(problem.check, f);
            else
                return "столбики не найдены: ни один проход не насчитал ни одной точки";
        },
        problem.figures);
}

std::string LayoutWarning(const std::vector<ChartLayout>& charts)
{
    std::string details;
    for (const ChartLayout& chart : charts)
        for (const LayoutProblem& problem : chart.problems)
            details += (details.empty() ? "" : "; ") + chart.chart + ": " + LayoutProblemText(problem);
    return details.empty() ? std::string() : "Разметка графика изменилась: " + details;
}

std::string PairLayoutWarning(const std::string& prefix, const PerChart<std::vector<LayoutProblem>>& problems)
{
    return LayoutWarning(
        {{prefix + "ордера", problems[ChartKind::Orders]}, {prefix + "позиции", problems[ChartKind::Positions]}});
}

std::string LayoutCheckText(LayoutCheck check)
{
    static const char* const kTexts[kLayoutCheckCount] = {
        "меньше двух меток шкалы",
        "метки шкалы не читаются",
        "метки шкалы не возрастают",
        "метка шкалы вне прямой",
        "цена вне шкалы",
        "время не в виде ЧЧ:ММ или ЧЧ:ММ:СС",
        "картинка не 531 × 256 точек",
        "шкала ставит цену не в столбец 255",
        "ось в строке 120 прервана",
        "цвет столбиков вне их места",
        "столбики не своего цвета",
        "в области столбиков цвет, который не читается",
        "столбики не найдены",
    };
    return kTexts[std::size_t(check)];
}

std::string FailedChecksText(LayoutChecks failed)
{
    std::string text;
    for (int i = 0; i < kLayoutCheckCount; ++i)
        if (failed.has(LayoutCheck(i)))
            text += (text.empty() ? "Разметка графика изменилась: " : "; ") + LayoutCheckText(LayoutCheck(i));
    return text;
}

}  // namespace tivka
