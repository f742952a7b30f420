// tivka-history: what the history holds, its readings as CSV or JSON, saved
// charts read into it, and old readings deleted.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "acquisition/pair_naming.h"
#include "chart/png_codec.h"
#include "common/options.h"
#include "history/history_store.h"
#include "history/iso_time.h"
#include "history/sqlite_database.h"
#include "history_options.h"
#include "platform/clock.h"
#include "platform/conversions.h"
#include "platform/files.h"
#include "platform/numeric_locale.h"
#include "platform/paths.h"
#include "reading/chart_reading.h"
#include "reading/layout_check.h"

namespace tivka::history_tool {

namespace {

constexpr int kExitValue = 1;
constexpr int kExitUnusable = 2;

// A file that cannot be used; the message names it (exit 2).
class UnusableFile : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string databasePath(const HistoryOptions& options)
{
    return options.database.empty() ? DefaultHistoryPath() : options.database;
}

// The store; only an import may create it, and the commands that only read
// (list, export) open it for reading, so that a history its owner made
// read-only can still be looked at.
std::unique_ptr<HistoryStore> openStore(const HistoryOptions& options)
{
    const std::string path = databasePath(options);
    if (options.command != Command::Import && !IsRegularFile(path))
        throw UnusableFile(path + ": no history has been kept there yet");
    if (options.command == Command::List || options.command == Command::Export)
        return std::make_unique<HistoryStore>(path, HistoryStore::ReadOnly{});
    return std::make_unique<HistoryStore>(path);
}

// A pair as the history holds it, which may be anything once typed into the
// window, made safe to print: a backslash doubled, a control character
// written as \xHH (C0 and DEL) or \u00HH (C1), so that a name can neither
// break its line nor steer the terminal.
std::string printableName(const std::string& name)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    auto hex = [](unsigned char byte) { return std::string{kHex[byte >> 4], kHex[byte & 0xF]}; };
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        const bool c1 = byte == 0xC2 && i + 1 < name.size() && (static_cast<unsigned char>(name[i + 1]) & 0xE0) == 0x80;
        if (byte == '\\')
            out += "\\\\";
        else if (byte < 0x20 || byte == 0x7F)
            out += "\\x" + hex(byte);
        else if (c1)
            out += "\\u00" + hex(static_cast<unsigned char>(name[++i]));
        else
            out += name[i];
    }
    return out;
}

void list(HistoryStore& store)
{
    for (const SeriesSummary& s : store.summary())
        std::printf("%s %s %s %lld readings %s .. %s\n", printableName(s.key.pairText).c_str(), ChartKindName(s.key.kind),
                    s.key.cumulative ? "cumulative" : "non-cumulative", static_cast<long long>(s.readings),
                    IsoUtcText(s.firstFetchedAt).c_str(), IsoUtcText(s.lastFetchedAt).c_str());
}

void exportReadings(HistoryStore& store, const HistoryOptions& options)
{
    ReadingQuery query{options.pair, options.kind, std::nullopt};
    query.from = options.from.value_or(query.from);
    query.to = options.to.value_or(query.to);
    HistoryExporter exporter(options.format, [](std::string_view piece) {
        if (std::fwrite(piece.data(), 1, piece.size(), stdout) != piece.size())
            throw UnusableFile("the output could not be written");
    });
    store.forEachReading(query, [&](const StoredReading& reading) { exporter.add(reading); });
    exporter.finish();
}

// What a chart file's name tells: the broker's names ("orders_GBP_USD.png",
// "posentryprice_noncumulative_GBP_USD.png") and the window's own
// ("on_GBPUSD.png", "pc_GBPUSD.png").
std::optional<SeriesKey> keyFromName(const std::string& path)
{
    std::string name = FileNameOf(path);
    if (name.size() < 4 || name.substr(name.size() - 4) != ".png")
        return std::nullopt;
    name.resize(name.size() - 4);
    const struct {
        const char* prefix;
        ChartKind kind;
        bool cumulative;
    } prefixes[] = {{"orders_noncumulative_", ChartKind::Orders, false},
                    {"posentryprice_noncumulative_", ChartKind::Positions, false},
                    {"orders_", ChartKind::Orders, true},     {"posentryprice_", ChartKind::Positions, true},
                    {"oc_", ChartKind::Orders, true},         {"on_", ChartKind::Orders, false},
                    {"pc_", ChartKind::Positions, true},      {"pn_", ChartKind::Positions, false}};
    for (const auto& p : prefixes) {
        const std::string prefix = p.prefix;
        if (name.rfind(prefix, 0) != 0)
            continue;
        const std::string code = name.substr(prefix.size());
        for (const char* pair : kPairList)
            if (code == PairName(pair) || code == PairCode(pair))
                return SeriesKey{pair, p.kind, p.cumulative};
    }
    return std::nullopt;
}

SeriesKey keyFor(const std::string& file, const HistoryOptions& options)
{
    const std::optional<SeriesKey> named = keyFromName(file);
    if (!named && (options.pair.empty() || !options.kind || !options.cumulative))
        throw UnusableFile(file + ": the name does not tell the pair, chart and variant; give --pair, --kind "
                                  "and --cumulative or --non-cumulative");
    SeriesKey key = named.value_or(SeriesKey{});
    key.pairText = options.pair.empty() ? key.pairText : options.pair;
    key.kind = options.kind.value_or(key.kind);
    key.cumulative = options.cumulative.value_or(key.cumulative);
    return key;
}

StoredReading readChartFile(const std::string& file, const HistoryOptions& options, const DigitTemplate& digits)
{
    const SeriesKey key = keyFor(file, options);
    Bitmap chart;
    try {
        chart = DecodePngFile(file);
    } catch (const std::exception& e) {
        throw UnusableFile(e.what());
    }
    const std::string separator = SystemDecimalSeparator();
    const ReadingOptions reading{options.symbol.empty() ? separator : options.symbol, separator};
    try {
        const Result<std::int64_t> modified = FileModifiedAt(file);
        if (!options.fetched && !modified.ok())
            throw UnusableFile(modified.status().text());
        const std::int64_t fetchedAt = options.fetched ? *options.fetched : modified.value();
        ChartReading read = ReadCompleteChart(chart, digits, reading);
        const LayoutChecks failed = LayoutChecks::failedIn(LayoutProblems(chart, read));
        return {key.pairText, key.kind, key.cumulative, fetchedAt, std::move(read), failed};
    } catch (const ConversionError& e) {
        throw ConversionError(file + ": " + e.what());
    }
}

// Every file is read before anything is stored, and all are stored in one
// transaction: an import that fails anywhere keeps nothing.
void import(const HistoryOptions& options)
{
    DigitTemplate digits;
    try {
        digits = DigitTemplate::load(options.templatePath);
    } catch (const std::exception& e) {
        throw UnusableFile(e.what());
    }
    std::vector<StoredReading> readings;
    for (const std::string& file : options.files)
        readings.push_back(readChartFile(file, options, digits));
    const std::unique_ptr<HistoryStore> store = openStore(options);
    std::size_t kept = 0;
    HistoryStore::Batch batch(*store);
    for (const StoredReading& reading : readings)
        kept += store->record(reading) ? 1 : 0;
    batch.commit();
    std::printf("kept %zu readings, %zu already held\n", kept, readings.size() - kept);
}

void prune(HistoryStore& store, const HistoryOptions& options)
{
    const std::int64_t before = SystemClock().now() - options.olderThanDays * 86400;
    std::printf("deleted %lld readings fetched before %s\n", static_cast<long long>(store.pruneBefore(before)),
                IsoUtcText(before).c_str());
}

void runCommand(const HistoryOptions& options)
{
    if (options.command == Command::Import)
        return import(options);
    const std::unique_ptr<HistoryStore> store = openStore(options);
    if (options.command == Command::List)
        list(*store);
    else if (options.command == Command::Export)
        exportReadings(*store, options);
    else
        prune(*store, options);
}

int run(const std::vector<std::string>& args)
{
    try {
        runCommand(ParseHistoryOptions(args));
        return std::fflush(stdout) == 0 ? 0 : kExitUnusable;
    } catch (const tools::UsageError&) {
        throw;  // RunTool adds the usage
    } catch (const ValueError& e) {
        std::cerr << "tivka-history: " << e.what() << "\n";
        return kExitValue;
    } catch (const ConversionError& e) {
        std::cerr << "tivka-history: " << e.what() << "\n";
        return kExitValue;
    } catch (const std::exception& e) {
        std::cerr << "tivka-history: " << e.what() << "\n";
        return kExitUnusable;
    }
}

}  // namespace

}  // namespace tivka::history_tool

int main(int argc, char** argv)
{
    return tivka::tools::RunTool("tivka-history", tivka::history_tool::kHistoryUsage, argc, argv,
                                 tivka::history_tool::run);
}
