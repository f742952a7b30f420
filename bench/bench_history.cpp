// The history: storing one reading (committed and flushed to disk), and
// exporting a month of one pair from a month of all ten pairs, both charts,
// every 20 minutes (43,200 readings of drifting charts); the database's size
// per reading is reported with it.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "acquisition/pair_naming.h"
#include "chart_server/chart_server.h"
#include "history/history_export.h"
#include "history/history_store.h"
#include "reading/chart_reading.h"

namespace {

using namespace tivka;

constexpr std::int64_t kMinute0 = 29'000'000;
constexpr int kReadingsPerDay = 72;

const DigitTemplate& digits()
{
    static const DigitTemplate d(charts::DigitTemplateBitmap());
    return d;
}

StoredReading driftReading(const char* pair, ChartKind kind, std::int64_t minute)
{
    const charts::ChartFile file{kind == ChartKind::Orders ? charts::ChartKind::Orders : charts::ChartKind::Positions,
                                 false, PairName(pair)};
    return {pair, kind, false, minute * 60,
            ReadCompleteChart(charts::DriftingChartPicture(file, 5, minute), digits(), {".", "."}), LayoutChecks()};
}

std::string benchFolder()
{
    const auto folder = std::filesystem::temp_directory_path() / "tivka-bench-history";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string();
}

void BM_StoreOneReading(benchmark::State& state)
{
    const std::string folder = benchFolder();
    HistoryStore store(folder + "/one.sqlite3");
    StoredReading reading = driftReading("GBP/USD", ChartKind::Orders, kMinute0);
    int n = 0;
    for (auto _ : state) {
        reading.fetchedAt += 60;
        reading.reading.timeText = std::to_string(++n);  // never the same chart twice
        benchmark::DoNotOptimize(store.record(reading));
    }
}
BENCHMARK(BM_StoreOneReading)->Unit(benchmark::kMillisecond);

// What the writer thread does after an indicator pass over ten pairs: twenty
// readings in one transaction, one flush to disk.
void BM_StoreTwentyInOneBatch(benchmark::State& state)
{
    const std::string folder = benchFolder();
    HistoryStore store(folder + "/batch.sqlite3");
    StoredReading reading = driftReading("GBP/USD", ChartKind::Orders, kMinute0);
    int n = 0;
    for (auto _ : state) {
        HistoryStore::Batch batch(store);
        for (int i = 0; i < 20; ++i) {
            reading.reading.timeText = std::to_string(++n);
            store.record(reading);
        }
        batch.commit();
    }
}
BENCHMARK(BM_StoreTwentyInOneBatch)->Unit(benchmark::kMillisecond);

// A month of all ten pairs: each day's charts are drawn and read once per
// pair and chart, and the later days reuse them with a bar changed, so that
// every reading is a distinct chart.
const std::string& monthDatabase()
{
    static const std::string path = [] {
        const std::string file = benchFolder() + "/month.sqlite3";
        HistoryStore store(file);
        HistoryStore::Batch batch(store);
        for (const char* pair : kPairList)
            for (const ChartKind kind : {ChartKind::Orders, ChartKind::Positions})
                for (int step = 0; step < kReadingsPerDay; ++step) {
                    StoredReading reading = driftReading(pair, kind, kMinute0 + step * 20);
                    for (int day = 0; day < 30; ++day) {
                        StoredReading later = reading;
                        later.fetchedAt += day * 86400;
                        later.reading.levels[std::size_t(day * 11 % 361)].sellPixels += day % 2 + 1;
                        store.record(later);
                    }
                }
        batch.commit();
        return file;
    }();
    return path;
}

void BM_ExportMonthOfOnePair(benchmark::State& state)
{
    HistoryStore store(monthDatabase());
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        HistoryExporter exporter(ExportFormat::Csv, [&](std::string_view piece) { bytes += piece.size(); });
        store.forEachReading(ReadingQuery{"EUR/USD", std::nullopt, std::nullopt}, [&](const StoredReading& r) { exporter.add(r); });
        exporter.finish();
    }
    std::int64_t readings = 0;
    for (const SeriesSummary& series : store.summary())
        readings += series.readings;
    const auto size = std::filesystem::file_size(monthDatabase()) +
                      std::filesystem::file_size(monthDatabase() + "-wal");
    state.counters["readings_held"] = double(readings);
    state.counters["csv_bytes"] = double(bytes);
    state.counters["db_bytes_per_reading"] = double(size) / double(readings);
    state.counters["db_MB_per_year"] = double(size) / double(readings) * 10 * 2 * 72 * 365 / 1e6;
}
BENCHMARK(BM_ExportMonthOfOnePair)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
