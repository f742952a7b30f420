// tivka-read: reads an orders and a positions chart with the window's own
// readers and prints the text panes, every result as JSON, or the indicator
// data file of the pair.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "acquisition/pair_naming.h"
#include "acquisition/png_codec.h"
#include "export/indicator_files.h"
#include "json_output.h"
#include "platform/conversions.h"
#include "platform/system_paths.h"
#include "read_options.h"
#include "reading/chart_reader.h"

namespace tivka::read_tool {

namespace {

constexpr int kExitConversion = 1;
constexpr int kExitUnusable = 2;

struct PaneLines final : LineSink {
    std::vector<std::string> lines;
    void clear() override { lines.clear(); }
    void addLine(const std::string& line) override { lines.push_back(line); }
};

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

std::string paneText(ChartKind kind, const Bitmap& chart, const LoadedInputs& in, const ReadOptions& options,
                     const FilterOption& filter, const std::string& separator, ChartResults& results)
{
    ScreenReaderInputs inputs;
    inputs.thresholdText = filter.threshold;
    inputs.atLeast = filter.atLeast;
    inputs.atMost = !filter.atLeast;
    inputs.pairText = options.pair;
    inputs.decimalSymbol = options.symbol.empty() ? separator : options.symbol;
    inputs.systemSeparator = separator;
    Bitmap view = turnQuarter(chart);
    GlyphWindows windows;
    NullTextPainter painter;
    PaneLines pane;
    SpreadsheetChannel sheet;
    ReadChartOnScreen(kind, chart, view, in.digits, windows, painter, inputs, pane, results, sheet);
    std::string text;
    for (const std::string& line : pane.lines)
        text += line + "\n";
    return text;
}

std::string indicatorCsv(const LoadedInputs& in, const ReadOptions& options, const std::string& separator)
{
    const std::string code = PairCode(options.pair);
    const std::string symbol = options.symbol.empty() ? separator : options.symbol;
    ChartResults orders;
    ChartResults positions;
    GlyphWindows windows;
    CalcMT4(code, in.orders, in.digits, windows, symbol, separator, orders);
    CalcMT4(code, in.positions, in.digits, windows, symbol, separator, positions);
    return IndicatorDataText(orders, positions, DigitsForPairCode(code), separator);
}

std::string render(const LoadedInputs& in, const ReadOptions& options, const std::string& separator)
{
    if (options.format == OutputFormat::Csv)
        return indicatorCsv(in, options, separator);
    ChartResults orders;
    ChartResults positions;
    std::string ordersPane;
    std::string positionsPane;
    if (options.format != OutputFormat::Positions)
        ordersPane = paneText(ChartKind::Orders, in.orders, in, options, options.ordersFilter, separator, orders);
    if (options.format != OutputFormat::Orders)
        positionsPane = paneText(ChartKind::Positions, in.positions, in, options, options.positionsFilter,
                                 separator, positions);
    switch (options.format) {
    case OutputFormat::Orders: return ordersPane;
    case OutputFormat::Positions: return positionsPane;
    case OutputFormat::Json: return ResultsJson(orders, positions);
    default: return ordersPane + "\n" + positionsPane;
    }
}

int run(const std::vector<std::string>& args)
{
    ReadOptions options;
    try {
        options = ParseReadOptions(args);
    } catch (const UsageError& e) {
        std::cerr << "tivka-read: " << e.what() << "\n" << kReadUsage;
        return kExitUnusable;
    }
    if (options.help) {
        std::cout << kReadUsage;
        return 0;
    }
    LoadedInputs inputs;
    try {
        inputs = loadInputs(options);
    } catch (const std::exception& e) {
        std::cerr << "tivka-read: " << e.what() << "\n";
        return kExitUnusable;
    }
    try {
        const std::string out = render(inputs, options, SystemDecimalSeparator());
        std::fwrite(out.data(), 1, out.size(), stdout);
    } catch (const ConversionError& e) {
        std::cerr << e.what() << "\n";
        return kExitConversion;
    }
    return std::fflush(stdout) == 0 ? 0 : kExitUnusable;
}

}  // namespace

}  // namespace tivka::read_tool

int main(int argc, char** argv)
{
    return tivka::read_tool::run(std::vector<std::string>(argv + 1, argv + argc));
}
