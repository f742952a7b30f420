#include "history/history_export.h"

#include <charconv>

#include "acquisition/pair_naming.h"
#include "history/history_store.h"
#include "history/iso_time.h"
#include "platform/json_text.h"
#include "platform/number_format.h"

namespace tivka {

namespace {

constexpr std::size_t kPiece = 1 << 20;
constexpr int kSignificant = 15;
constexpr const char* kCsvHeader =
    "fetched_at,chart_time,pair,kind,cumulative,price,column,level_price,buy,sell,layout\n";

// What every line of a reading shares, made once per reading.
struct ReadingFields {
    std::string fetchedAt;
    std::string chartTime;
    std::string pair;
    const char* kind;
    char cumulative;
    std::string price;
    std::string layout;
};

// The names of the failed checks: in CSV separated by spaces, "ok" for none
// and empty when no verdict was kept; in JSON an array, null when none was kept.
std::string layoutField(const std::optional<LayoutChecks>& failed, ExportFormat format)
{
    const bool json = format == ExportFormat::Json;
    if (!failed)
        return json ? "null" : "";
    std::string names;
    for (int i = 0; i < kLayoutCheckCount; ++i)
        if (failed->has(LayoutCheck(i))) {
            const std::string name = LayoutCheckName(LayoutCheck(i));
            names += (names.empty() ? "" : json ? "," : " ") + (json ? '"' + name + '"' : name);
        }
    return json ? "[" + names + "]" : names.empty() ? "ok" : names;
}

// The shortest text that reads back as exactly this double: the level price
// as the reader computed it, not rounded to the pair's decimals (which would
// give neighbouring columns one price).
std::string exactPrice(double price)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, price);
    return std::string(text, result.ptr);
}

ReadingFields fieldsOf(const StoredReading& stored, ExportFormat format)
{
    ReadingFields fields{IsoUtcText(stored.fetchedAt), stored.reading.timeText, stored.pairText,
                         ChartKindName(stored.kind), stored.cumulative ? '1' : '0',
                         FormatPrice(stored.reading.price, DecimalsOfPairText(stored.pairText), kSignificant, "."),
                         layoutField(stored.failedChecks, format)};
    if (format == ExportFormat::Json) {
        fields.fetchedAt = JsonQuoted(fields.fetchedAt);
        fields.chartTime = JsonQuoted(fields.chartTime);
        fields.pair = JsonQuoted(fields.pair);
    }
    return fields;
}

// A CSV field: quoted (quotes doubled) only when it holds a comma, a quote or
// a line break.
std::string csvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

void appendCsv(std::string& out, const ReadingFields& f, int column, const Level& level)
{
    out += f.fetchedAt + ',' + csvField(f.chartTime) + ',' + csvField(f.pair) + ',' + f.kind + ',' + f.cumulative +
           ',' + f.price + ',' + std::to_string(column) + ',' + exactPrice(level.price) + ',' +
           std::to_string(PercentOf(level.buyPixels)) + ',' + std::to_string(PercentOf(level.sellPixels)) + ',' +
           f.layout + '\n';
}

void appendJson(std::string& out, const ReadingFields& f, int column, const Level& level)
{
    out += "{\"fetched_at\":" + f.fetchedAt + ",\"chart_time\":" + f.chartTime + ",\"pair\":" + f.pair +
           ",\"kind\":\"" + f.kind + "\",\"cumulative\":" + (f.cumulative == '1' ? "true" : "false") +
           ",\"price\":" + f.price + ",\"column\":" + std::to_string(column) +
           ",\"level_price\":" + exactPrice(level.price) + ",\"buy\":" + std::to_string(PercentOf(level.buyPixels)) +
           ",\"sell\":" + std::to_string(PercentOf(level.sellPixels)) + ",\"layout\":" + f.layout + "}";
}

}  // namespace

HistoryExporter::HistoryExporter(ExportFormat format, std::function<void(std::string_view)> sink)
    : format_(format), sink_(std::move(sink))
{
    buffer_ = format_ == ExportFormat::Csv ? kCsvHeader : "[";
}

void HistoryExporter::add(const StoredReading& stored)
{
    const ReadingFields fields = fieldsOf(stored, format_);
    for (int i = 0; i < geometry::kLevelColumns; ++i) {
        const int column = geometry::kFirstLevelColumn + i;
        if (column == geometry::kNowColumn)
            continue;
        const Level& level = stored.reading.levels[std::size_t(i)];
        if (format_ == ExportFormat::Csv) {
            appendCsv(buffer_, fields, column, level);
            continue;
        }
        buffer_ += first_ ? "\n" : ",\n";
        first_ = false;
        appendJson(buffer_, fields, column, level);
    }
    emit(false);
}

void HistoryExporter::finish()
{
    if (format_ == ExportFormat::Json)
        buffer_ += first_ ? "]\n" : "\n]\n";
    emit(true);
}

void HistoryExporter::emit(bool force)
{
    if (buffer_.size() < kPiece && !force)
        return;
    sink_(buffer_);
    buffer_.clear();
}

}  // namespace tivka
