#include "json_output.h"

#include <charconv>
#include <cstdio>

namespace tivka::read_tool {

namespace {

std::string number(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

std::string scaleJson(const ChartResults& r)
{
    std::string out = "[";
    for (int i = 0; i < r.ScaleCount; ++i) {
        const ScaleMark& mark = r.Scale[std::size_t(i)];
        out += i ? ",\n      " : "\n      ";
        out += "{\"price\": " + number(mark.Price) + ", \"column\": " + std::to_string(mark.Column) + "}";
    }
    return out + (r.ScaleCount ? "\n    ]" : "]");
}

std::string levelsJson(const ChartResults& r)
{
    std::string out = "[";
    for (int x = kFirstLevelColumn; x <= kLastLevelColumn; ++x) {
        const LevelRow& row = r.Levels[x];
        out += x == kFirstLevelColumn ? "\n      " : ",\n      ";
        out += "{\"column\": " + std::to_string(x) + ", \"price\": " + number(row.Price) +
               ", \"buyPercent\": " + std::to_string(row.BuyPercent) +
               ", \"sellPercent\": " + std::to_string(row.SellPercent) + "}";
    }
    return out + "\n    ]";
}

std::string chartJson(const ChartResults& r)
{
    return "{\n    \"now\": {\"price\": " + number(r.Now.Price) + ", \"time\": " + quoted(r.Now.Time) +
           "},\n    \"scaleCount\": " + std::to_string(r.ScaleCount) + ",\n    \"scale\": " + scaleJson(r) +
           ",\n    \"step\": " + number(r.Step) + ",\n    \"digits\": " + std::to_string(r.Digits) +
           ",\n    \"levels\": " + levelsJson(r) + "\n  }";
}

}  // namespace

std::string ResultsJson(const ChartResults& orders, const ChartResults& positions)
{
    return "{\n  \"orders\": " + chartJson(orders) + ",\n  \"positions\": " + chartJson(positions) + "\n}\n";
}

}  // namespace tivka::read_tool
