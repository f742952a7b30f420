#include "json_output.h"

#include <charconv>

#include "platform/json_text.h"

namespace tivka::read_tool {

namespace {

std::string number(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string scaleJson(const ChartReading& r)
{
    std::string out = "[";
    for (std::size_t i = 0; i < r.scale.size(); ++i) {
        const ScaleMark& mark = r.scale[i];
        out += i ? ",\n      " : "\n      ";
        out += "{\"price\": " + number(mark.price) + ", \"column\": " + std::to_string(mark.column) + "}";
    }
    return out + (r.scale.empty() ? "]" : "\n    ]");
}

std::string levelsJson(const ChartReading& r)
{
    using geometry::kFirstLevelColumn;
    std::string out = "[";
    for (int x = kFirstLevelColumn; x <= geometry::kLastLevelColumn; ++x) {
        const Level& level = r.level(x);
        out += x == kFirstLevelColumn ? "\n      " : ",\n      ";
        out += "{\"column\": " + std::to_string(x) + ", \"price\": " + number(level.price) +
               ", \"buyPercent\": " + std::to_string(PercentOf(level.buyPixels)) +
               ", \"sellPercent\": " + std::to_string(PercentOf(level.sellPixels)) + "}";
    }
    return out + "\n    ]";
}

std::string chartJson(const ShownChart& chart)
{
    const ChartReading& r = chart.reading;
    return "{\n    \"now\": {\"price\": " + number(r.price) + ", \"time\": " + JsonQuoted(r.timeText) +
           "},\n    \"scaleCount\": " + std::to_string(r.scale.size()) + ",\n    \"scale\": " + scaleJson(r) +
           ",\n    \"step\": " + number(r.step) + ",\n    \"digits\": " + std::to_string(chart.decimals) +
           ",\n    \"levels\": " + levelsJson(r) + "\n  }";
}

}  // namespace

std::string ResultsJson(const ShownChart& orders, const ShownChart& positions)
{
    return "{\n  \"orders\": " + chartJson(orders) + ",\n  \"positions\": " + chartJson(positions) + "\n}\n";
}

}  // namespace tivka::read_tool
