// Writing one indicator data file (720 lines) from a filled reading.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "export/indicator_data.h"

namespace {

tivka::ChartReading FilledReading(double basePrice, int seed)
{
    using namespace tivka::geometry;
    tivka::ChartReading chart;
    chart.price = basePrice;
    chart.timeText = "12:30";
    for (int x = kFirstLevelColumn; x <= kLastLevelColumn; ++x)
        chart.level(x) = {basePrice + (x - kNowColumn) * 0.000137, (x * 7 + seed) % 76, (x * 13 + seed) % 76};
    return chart;
}

void BM_IndicatorDataText(benchmark::State& state)
{
    const tivka::ChartReading orders = FilledReading(1.27215, 1);
    const tivka::ChartReading positions = FilledReading(1.27215, 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(tivka::IndicatorDataText(orders, positions, 4));
}
BENCHMARK(BM_IndicatorDataText);

void BM_WriteIndicatorDataFile(benchmark::State& state)
{
    char folderTemplate[] = "/tmp/tivka-bench-XXXXXX";
    if (!mkdtemp(folderTemplate))
        throw std::runtime_error("cannot make a temporary folder");
    const std::string folder = folderTemplate;
    const tivka::ChartReading orders = FilledReading(149.515, 3);
    const tivka::ChartReading positions = FilledReading(149.515, 4);
    const std::string text = tivka::IndicatorDataText(orders, positions, 2);
    for (auto _ : state)
        if (!tivka::WriteIndicatorData(folder + "/USDJPY", text).ok())
            state.SkipWithError("the data file could not be written");
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_WriteIndicatorDataFile);

}  // namespace
