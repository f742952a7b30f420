#include "history_options.h"

#include <algorithm>

#include "acquisition/pair_naming.h"
#include "common/options.h"
#include "history/iso_time.h"

namespace tivka::history_tool {

const char* const kHistoryUsage =
    "Usage: tivka-history [--database FILE] COMMAND\n"
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
    "  -h, --help                            this text\n"
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
    throw tools::UsageError("--kind is orders or positions, not '" + text + "'");
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
    if (text == "help")
        throw tools::HelpRequested{};
    throw tools::UsageError("unknown command '" + text + "'");
}

ExportFormat formatNamed(const std::string& text)
{
    if (text != "csv" && text != "json")
        throw tools::UsageError("--format is csv or json, not '" + text + "'");
    return text == "csv" ? ExportFormat::Csv : ExportFormat::Json;
}

// The options of `o`'s command, each setting its part of `o`.
tools::OptionParser commandOptions(HistoryOptions& o)
{
    tools::OptionParser parser;
    const bool exporting = o.command == Command::Export;
    const bool importing = o.command == Command::Import;
    if (exporting || importing) {
        parser.value("--pair", [&o](const std::string& v) { o.pair = listedPair(v); });
        parser.value("--kind", [&o](const std::string& v) { o.kind = kindNamed(v); });
    }
    if (exporting) {
        parser.value("--from", [&o](const std::string& v) { o.from = isoTime("--from", v); });
        parser.value("--to", [&o](const std::string& v) { o.to = isoTime("--to", v); });
        parser.value("--format", [&o](const std::string& v) { o.format = formatNamed(v); });
    }
    if (importing) {
        parser.value("--fetched", [&o](const std::string& v) { o.fetched = isoTime("--fetched", v); });
        parser.value("--template", [&o](const std::string& v) { o.templatePath = v; });
        parser.value("--symbol", [&o](const std::string& v) { o.symbol = v; });
        parser.flag("--cumulative", [&o] { o.cumulative = true; });
        parser.flag("--non-cumulative", [&o] { o.cumulative = false; });
        parser.operands([&o](const std::string& file) { o.files.push_back(file); });
    }
    if (o.command == Command::Prune)
        parser.value("--older-than", [&o](const std::string& v) { o.olderThanDays = wholeDays(v); });
    return parser;
}

}  // namespace

HistoryOptions ParseHistoryOptions(const std::vector<std::string>& args)
{
    HistoryOptions o;
    const std::size_t at =
        tools::OptionParser().value("--database", [&o](const std::string& v) { o.database = v; }).parseUntilOperand(args);
    if (at >= args.size())
        throw tools::UsageError("no command given");
    o.command = commandNamed(args[at]);
    commandOptions(o).parse(args, at + 1);
    if (o.command == Command::Export && o.pair.empty())
        throw tools::UsageError("export needs --pair");
    if (o.command == Command::Import && o.files.empty())
        throw tools::UsageError("import needs at least one chart file");
    if (o.command == Command::Prune && o.olderThanDays < 0)
        throw tools::UsageError("prune needs --older-than DAYS");
    return o;
}

}  // namespace tivka::history_tool
