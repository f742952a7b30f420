#include "history_options.h"

#include <algorithm>
#include <functional>

#include "acquisition/pair_naming.h"
#include "history/iso_time.h"

namespace tivka::history_tool {

const char* const kHistoryUsage =
    "usage: tivka-history [--database FILE] COMMAND\n"
    "  list                                  pairs, charts and the span held\n"
    "  export --pair PAIR [--kind orders|positions] [--from TIME] [--to TIME] [--format csv|json]\n"
    "                                        one line per level of each reading (TIME: UTC,\n"
    "                                        2024-05-01 or 2024-05-01T12:30[:00][Z])\n"
    "  import [--pair PAIR] [--kind K] [--cumulative|--non-cumulative] [--fetched TIME]\n"
    "         [--template FILE] [--symbol TEXT] CHART.png...\n"
    "                                        reads saved charts with Tivka's readers and keeps\n"
    "                                        them; pair, chart and variant come from broker file\n"
    "                                        names (orders_noncumulative_GBP_USD.png) unless given,\n"
    "                                        the fetch time from the file unless given\n"
    "  prune --older-than DAYS               deletes readings fetched more than DAYS days ago\n"
    "The database is $XDG_DATA_HOME/tivka/history.sqlite3 (else ~/.local/share/tivka/).\n"
    "Exit status: 0 done, 1 a bad value or chart text, 2 an unusable file or command line.\n";

namespace {

std::int64_t isoTime(const std::string& option, const std::string& text)
{
    if (const std::optional<std::int64_t> instant = ParseIsoUtc(text))
        return *instant;
    throw ValueError(option + ": '" + text + "' is not a UTC time like 2024-05-01 or 2024-05-01T12:30");
}

ChartKind kindNamed(const std::string& text)
{
    if (text == "orders")
        return ChartKind::Orders;
    if (text == "positions")
        return ChartKind::Positions;
    throw UsageError("--kind is orders or positions, not '" + text + "'");
}

std::string listedPair(const std::string& text)
{
    for (const char* pair : kPairList)
        if (text == pair || text == PairCode(pair))
            return pair;
    throw ValueError("--pair: '" + text + "' is not one of the pairs (GBP/USD, EUR/USD, ...)");
}

std::int64_t wholeDays(const std::string& text)
{
    const bool digits = !text.empty() && text.size() <= 6 &&
                        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits || std::stoll(text) < 1)
        throw ValueError("--older-than needs a whole number of days from 1 to 999999, not '" + text + "'");
    return std::stoll(text);
}

Command commandNamed(const std::string& text)
{
    if (text == "list")
        return Command::List;
    if (text == "export")
        return Command::Export;
    if (text == "import")
        return Command::Import;
    if (text == "prune")
        return Command::Prune;
    if (text == "--help" || text == "help")
        return Command::Help;
    throw UsageError("unknown command '" + text + "'");
}

// One option of `o`'s command; false when `arg` is none.
bool takeOption(HistoryOptions& o, const std::string& arg, const std::function<const std::string&()>& value)
{
    const bool exporting = o.command == Command::Export;
    const bool importing = o.command == Command::Import;
    if (arg == "--pair" && (exporting || importing))
        o.pair = listedPair(value());
    else if (arg == "--kind" && (exporting || importing))
        o.kind = kindNamed(value());
    else if (arg == "--from" && exporting)
        o.from = isoTime(arg, value());
    else if (arg == "--to" && exporting)
        o.to = isoTime(arg, value());
    else if (arg == "--format" && exporting) {
        const std::string& format = value();
        if (format != "csv" && format != "json")
            throw UsageError("--format is csv or json, not '" + format + "'");
        o.format = format == "csv" ? ExportFormat::Csv : ExportFormat::Json;
    } else if (arg == "--fetched" && importing)
        o.fetched = isoTime(arg, value());
    else if (arg == "--template" && importing)
        o.templatePath = value();
    else if (arg == "--symbol" && importing)
        o.symbol = value();
    else if (arg == "--older-than" && o.command == Command::Prune)
        o.olderThanDays = wholeDays(value());
    else
        return false;
    return true;
}

}  // namespace

HistoryOptions ParseHistoryOptions(const std::vector<std::string>& args)
{
    HistoryOptions o;
    std::size_t i = 0;
    if (i + 1 < args.size() && args[i] == "--database") {
        o.database = args[i + 1];
        i += 2;
    }
    if (i >= args.size())
        throw UsageError("no command given");
    o.command = commandNamed(args[i++]);
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size())
                throw UsageError(arg + " needs a value");
            return args[++i];
        };
        if (takeOption(o, arg, value))
            continue;
        if (o.command == Command::Import && (arg == "--cumulative" || arg == "--non-cumulative"))
            o.cumulative = arg == "--cumulative";
        else if (o.command == Command::Import && arg.rfind("--", 0) != 0)
            o.files.push_back(arg);
        else
            throw UsageError("unknown option '" + arg + "'");
    }
    if (o.command == Command::Export && o.pair.empty())
        throw UsageError("export needs --pair");
    if (o.command == Command::Import && o.files.empty())
        throw UsageError("import needs at least one chart file");
    if (o.command == Command::Prune && o.olderThanDays < 0)
        throw UsageError("prune needs --older-than DAYS");
    return o;
}

}  // namespace tivka::history_tool
