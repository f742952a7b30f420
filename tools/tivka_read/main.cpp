// tivka-read: reads an orders and a positions chart with the window's own
// readers and prints the text panes, every result as JSON, or the indicator
// data file of the pair.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "acquisition/pair_naming.h"
#include "chart/png_codec.h"
#include "common/options.h"
#include "export/indicator_data.h"
#include "json_output.h"
#include "platform/conversions.h"
#include "platform/numeric_locale.h"
#include "read_options.h"
#include "reading/layout_check.h"
#include "reading/layout_warning.h"
#include "shell/pane_reading.h"

namespace tivka::read_tool {

namespace {

constexpr int kExitConversion = 1;
constexpr int kExitUnusable = 2;
constexpr int kExitLayoutChanged = 3;

struct LoadedInputs {
    DigitTemplate digits;
    Bitmap orders;
    Bitmap positions;
};

// Everything read from disk; std::runtime_error naming the file on failure.
LoadedInputs loadInputs(const ReadOptions& options)
{
    return {DigitTemplate::load(options.templatePath), DecodePngFile(options.ordersPath),
            DecodePngFile(options.positionsPath)};
}

ReadingOptions readingOptions(const ReadOptions& options, const std::string& separator)
{
    return {options.symbol.empty() ? separator : options.symbol, separator};
}

// Reads a chart as the window does; throws ConversionError as the window
// reports it.
PaneReading readPane(ChartKind kind, const Bitmap& chart, const LoadedInputs& in, const ReadOptions& options,
                     const FilterOption& filter, const std::string& separator)
{
    PaneInputs inputs;
    inputs.thresholdText = filter.threshold;
    inputs.atLeast = filter.atLeast;
    inputs.pairText = options.pair;
    inputs.reading = readingOptions(options, separator);
    Bitmap view = turnQuarter(chart);
    NullTextPainter painter;
    PaneReading pane = ReadForPane(kind, chart, view, in.digits, inputs, painter);
    pane.shown.reading.throwIfFailed();
    return pane;
}

std::string paneText(const PaneReading& pane)
{
    std::string text;
    for (const std::string& line : pane.paneLines)
        text += line + "\n";
    return text;
}

std::string indicatorCsv(const LoadedInputs& in, const ReadOptions& options, const std::string& separator)
{
    const std::string code = PairCode(options.pair);
    const ReadingOptions reading = readingOptions(options, separator);
    const ChartReading orders = ReadCompleteChart(in.orders, in.digits, reading);
    const ChartReading positions = ReadCompleteChart(in.positions, in.digits, reading);
    return IndicatorDataText(orders, positions, DecimalsOfPairCode(code));
}

std::string render(const LoadedInputs& in, const ReadOptions& options, const std::string& separator)
{
    if (options.format == OutputFormat::Csv)
        return indicatorCsv(in, options, separator);
    PaneReading orders;
    PaneReading positions;
    if (options.format != OutputFormat::Positions)
        orders = readPane(ChartKind::Orders, in.orders, in, options, options.ordersFilter, separator);
    if (options.format != OutputFormat::Orders)
        positions = readPane(ChartKind::Positions, in.positions, in, options, options.positionsFilter, separator);
    switch (options.format) {
    case OutputFormat::Orders: return paneText(orders);
    case OutputFormat::Positions: return paneText(positions);
    case OutputFormat::Json: return ResultsJson(orders.shown, positions.shown);
    default: return paneText(orders) + "\n" + paneText(positions);
    }
}

// The layout warning for the charts the output was made of, or empty.
std::string layoutWarning(const LoadedInputs& in, const ReadOptions& options, const std::string& separator)
{
    const ReadingOptions reading = readingOptions(options, separator);
    std::vector<ChartLayout> charts;
    if (options.format != OutputFormat::Positions)
        charts.push_back({"ордера", LayoutProblems(in.orders, ReadChart(in.orders, in.digits, reading))});
    if (options.format != OutputFormat::Orders)
        charts.push_back({"позиции", LayoutProblems(in.positions, ReadChart(in.positions, in.digits, reading))});
    return LayoutWarning(charts);
}

int run(const std::vector<std::string>& args)
{
    const ReadOptions options = ParseReadOptions(args);
    LoadedInputs inputs;
    try {
        inputs = loadInputs(options);
    } catch (const std::exception& e) {
        std::cerr << "tivka-read: " << e.what() << "\n";
        return kExitUnusable;
    }
    const std::string separator = SystemDecimalSeparator();
    try {
        const std::string out = render(inputs, options, separator);
        std::fwrite(out.data(), 1, out.size(), stdout);
    } catch (const ConversionError& e) {
        std::cerr << e.what() << "\n";
        return kExitConversion;
    }
    if (std::fflush(stdout) != 0)
        return kExitUnusable;
    if (!options.strict)
        return 0;
    const std::string warning = layoutWarning(inputs, options, separator);
    if (warning.empty())
        return 0;
    std::cerr << "tivka-read: " << warning << "\n";
    return kExitLayoutChanged;
}

}  // namespace

}  // namespace tivka::read_tool

int main(int argc, char** argv)
{
    return tivka::tools::RunTool("tivka-read", tivka::read_tool::kReadUsage, argc, argv, tivka::read_tool::run);
}
