// Reading one rendered 531 x 256 chart: both texts, the scale and the four
// passes, for an indicator and for the window (pane lines included), from a
// decoded bitmap and from PNG bytes. Decoding and reading together are the
// whole work a refresh does for each chart it has downloaded.
#include <benchmark/benchmark.h>

#include "chart/png_codec.h"
#include "chart_server/chart_renderer.h"
#include "reading/chart_reading.h"
#include "shell/pane_reading.h"

namespace {

using namespace tivka;

const charts::ChartModel& model()
{
    static const charts::ChartModel m =
        charts::MakeChartModel(charts::ChartKind::Orders, "GBP/USD", true, 2024, "12:30");
    return m;
}

const DigitTemplate& digits()
{
    static const DigitTemplate d(charts::DigitTemplateBitmap());
    return d;
}

void BM_ReadCompleteChartFromBitmap(benchmark::State& state)
{
    const Bitmap chart = charts::RenderChart(model());
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadCompleteChart(chart, digits(), {}));
}
BENCHMARK(BM_ReadCompleteChartFromBitmap);

void BM_ReadForPaneFromBitmap(benchmark::State& state)
{
    const Bitmap chart = charts::RenderChart(model());
    Bitmap view = turnQuarter(chart);
    NullTextPainter painter;
    const PaneInputs inputs;
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadForPane(ChartKind::Orders, chart, view, digits(), inputs, painter));
}
BENCHMARK(BM_ReadForPaneFromBitmap);

void BM_DecodePng(benchmark::State& state)
{
    const std::vector<std::uint8_t> png = EncodePng(charts::RenderChart(model()));
    for (auto _ : state) {
        const Bitmap chart = DecodePng(png, "chart.png");
        benchmark::DoNotOptimize(chart.pixels().data());
    }
}
BENCHMARK(BM_DecodePng);

void BM_DecodeAndReadCompleteChartFromPng(benchmark::State& state)
{
    const std::vector<std::uint8_t> png = EncodePng(charts::RenderChart(model()));
    for (auto _ : state) {
        const Bitmap chart = DecodePng(png, "chart.png");
        benchmark::DoNotOptimize(ReadCompleteChart(chart, digits(), {}));
    }
}
BENCHMARK(BM_DecodeAndReadCompleteChartFromPng);

}  // namespace

BENCHMARK_MAIN();
