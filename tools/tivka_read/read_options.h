#pragma once

#include <string>
#include <vector>

namespace tivka::read_tool {

enum class OutputFormat { Orders, Positions, Both, Json, Csv };

// A filter option as typed: ">=N" or "<=N"; N goes through the same strict
// integer conversion as the window's threshold field, when the charts are read.
struct FilterOption {
    bool atLeast = true;
    std::string threshold = "50";
};

struct ReadOptions {
    std::string pair = "GBP/USD";
    std::string templatePath = "ndata.bmp";
    std::string symbol;  // empty: the system separator
    FilterOption ordersFilter;
    FilterOption positionsFilter;
    OutputFormat format = OutputFormat::Both;
    bool strict = false;  // a chart whose layout looks changed ends with status 3
    std::string ordersPath;
    std::string positionsPath;
};

// Throws tools::UsageError or tools::HelpRequested (common/options.h).
ReadOptions ParseReadOptions(const std::vector<std::string>& args);

extern const char* const kReadUsage;

}  // namespace tivka::read_tool
