// Writing one indicator data file (720 lines) from a filled reading.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "export/indicator_files.h"

namespace {

tivka::ChartResults FilledReading(double basePrice, int seed)
{
    tivka::ChartResults chart;
    chart.Now = {basePrice, "12:30"};
    for (int x = tivka::kFirstLevelColumn; x <= tivka::kLastLevelColumn; ++x)
        chart.Levels[x] = {basePrice + (x - tivka::kNowColumn) * 0.000137, (x * 7 + seed) % 102,
                           (x * 13 + seed) % 102};
    return chart;
}

void BM_IndicatorDataText(benchmark::State& state)
{
    const tivka::ChartResults orders = FilledReading(1.27215, 1);
    const tivka::ChartResults positions = FilledReading(1.27215, 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(tivka::IndicatorDataText(orders, positions, 4, ","));
}
BENCHMARK(BM_IndicatorDataText);

void BM_WriteIndicatorDataFile(benchmark::State& state)
{
    char folderTemplate[] = "/tmp/tivka-bench-XXXXXX";
    if (!mkdtemp(folderTemplate))
        throw std::runtime_error("cannot make a temporary folder");
    const std::string folder = folderTemplate;
    const tivka::ChartResults orders = FilledReading(149.515, 3);
    const tivka::ChartResults positions = FilledReading(149.515, 4);
    for (auto _ : state)
        if (!tivka::WriteIndicatorDataFile(folder + "/USDJPY", orders, positions, 2, "."))
            state.SkipWithError("the data file could not be written");
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_WriteIndicatorDataFile);

}  // namespace
