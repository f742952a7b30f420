#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "history/history_export.h"

namespace tivka::history_tool {

enum class Command { List, Export, Import, Prune };

struct HistoryOptions {
    Command command = Command::List;
    std::string database;  // empty: the user's history
    // export
    std::string pair;
    std::optional<ChartKind> kind;
    std::optional<std::int64_t> from;
    std::optional<std::int64_t> to;
    ExportFormat format = ExportFormat::Csv;
    // import
    std::vector<std::string> files;
    std::optional<bool> cumulative;      // empty: from the file name
    std::string templatePath = "ndata.bmp";
    std::string symbol;                  // empty: the system separator
    std::optional<std::int64_t> fetched; // empty: each file's modification time
    // prune
    std::int64_t olderThanDays = -1;
};

// A value that is understood but wrong: a time that is not a time, a pair
// not in the list, a negative number of days (exit 1).
class ValueError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws tools::UsageError (exit 2) or tools::HelpRequested
// (common/options.h), ValueError.
HistoryOptions ParseHistoryOptions(const std::vector<std::string>& args);

extern const char* const kHistoryUsage;

}  // namespace tivka::history_tool
