#include "read_options.h"

#include "common/options.h"
#include "shell/settings.h"

namespace tivka::read_tool {

const char* const kReadUsage =
    "Usage: tivka-read [options] ORDERS.png POSITIONS.png\n"
    "Reads an orders chart and a positions chart as the Tivka window does.\n"
    "\n"
    "  --pair TEXT              pair as chosen in the window (default \"GBP/USD\");\n"
    "                           \"USD/JPY\", \"EUR/JPY\", \"GBP/JPY\" print 2 decimals\n"
    "  --template FILE          digit template bitmap (default ndata.bmp in the\n"
    "                           current folder)\n"
    "  --symbol TEXT            text appended for the decimal point glyph (default\n"
    "                           and \"auto\": the system's decimal separator)\n"
    "  --orders-filter F        '>=N' or '<=N', the orders pane filter (default '>=50')\n"
    "  --positions-filter F     '>=N' or '<=N', the positions pane filter (default '>=50')\n"
    "  --format NAME            orders | positions | both (default): the text panes,\n"
    "                           both: orders pane, an empty line, positions pane;\n"
    "                           json: every result of both readers;\n"
    "                           csv: the indicator data file for the pair\n"
    "  --strict                 check each chart's layout (the scale labels, the\n"
    "                           price on its column, the axis, where the bar colours\n"
    "                           lie, the picture's size, the time; see the README);\n"
    "                           when a check fails, print the figures all the same,\n"
    "                           say what failed on standard error and exit with 3\n"
    "  -h, --help               show this text\n"
    "\n"
    "Exit status: 0 success, 1 a text on the chart or an option value is not a\n"
    "valid number (the message says which), 2 unusable command line, chart or\n"
    "template file, 3 (with --strict) a chart layout that looks changed.\n";

namespace {

FilterOption parseFilter(const std::string& option, const std::string& text)
{
    if (text.starts_with(">="))
        return {true, text.substr(2)};
    if (text.starts_with("<="))
        return {false, text.substr(2)};
    throw tools::UsageError(option + " expects '>=N' or '<=N', not '" + text + "'");
}

OutputFormat parseFormat(const std::string& text)
{
    if (text == "orders")
        return OutputFormat::Orders;
    if (text == "positions")
        return OutputFormat::Positions;
    if (text == "both")
        return OutputFormat::Both;
    if (text == "json")
        return OutputFormat::Json;
    if (text == "csv")
        return OutputFormat::Csv;
    throw tools::UsageError("--format expects orders, positions, both, json or csv, not '" + text + "'");
}

std::string parseSymbol(const std::string& text)
{
    return MeansAutoSymbol(text) ? std::string() : text;
}

}  // namespace

ReadOptions ParseReadOptions(const std::vector<std::string>& args)
{
    ReadOptions options;
    std::vector<std::string> files;
    tools::OptionParser()
        .value("--pair", [&](const std::string& v) { options.pair = v; })
        .value("--template", [&](const std::string& v) { options.templatePath = v; })
        .value("--symbol", [&](const std::string& v) { options.symbol = parseSymbol(v); })
        .value("--orders-filter", [&](const std::string& v) { options.ordersFilter = parseFilter("--orders-filter", v); })
        .value("--positions-filter",
               [&](const std::string& v) { options.positionsFilter = parseFilter("--positions-filter", v); })
        .value("--format", [&](const std::string& v) { options.format = parseFormat(v); })
        .flag("--strict", [&] { options.strict = true; })
        .operands([&](const std::string& file) { files.push_back(file); })
        .parse(args);
    if (files.size() != 2)
        throw tools::UsageError("expected two chart files, ORDERS.png and POSITIONS.png, got " +
                                std::to_string(files.size()));
    options.ordersPath = files[0];
    options.positionsPath = files[1];
    return options;
}

}  // namespace tivka::read_tool
