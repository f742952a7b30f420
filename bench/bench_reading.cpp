// Reading one rendered 531 x 256 chart: both texts, the scale and the four
// passes, by the indicator reader and the on-screen reader, from a decoded
// bitmap and from PNG bytes.
#include <benchmark/benchmark.h>

#include "acquisition/png_codec.h"
#include "chart_server/chart_renderer.h"
#include "reading/chart_reader.h"

namespace {

using namespace tivka;

struct NoLines final : LineSink {
    void clear() override {}
    void addLine(const std::string&) override {}
};

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

void BM_CalcMT4FromBitmap(benchmark::State& state)
{
    const Bitmap chart = charts::RenderChart(model());
    GlyphWindows windows;
    ChartResults results;
    for (auto _ : state) {
        CalcMT4("GBPUSD", chart, digits(), windows, ".", ".", results);
        benchmark::DoNotOptimize(results);
    }
}
BENCHMARK(BM_CalcMT4FromBitmap);

void BM_OnScreenFromBitmap(benchmark::State& state)
{
    const Bitmap chart = charts::RenderChart(model());
    Bitmap view = turnQuarter(chart);
    GlyphWindows windows;
    NullTextPainter painter;
    ScreenReaderInputs inputs;
    NoLines memo;
    ChartResults results;
    SpreadsheetChannel sheet;
    for (auto _ : state) {
        ReadChartOnScreen(ChartKind::Orders, chart, view, digits(), windows, painter, inputs, memo, results, sheet);
        benchmark::DoNotOptimize(results);
    }
}
BENCHMARK(BM_OnScreenFromBitmap);

void BM_DecodePng(benchmark::State& state)
{
    const std::vector<std::uint8_t> png = EncodePng(charts::RenderChart(model()));
    for (auto _ : state) {
        const Bitmap chart = DecodePng(png, "chart.png");
        benchmark::DoNotOptimize(chart.pixels().data());
    }
}
BENCHMARK(BM_DecodePng);

void BM_DecodeAndCalcMT4FromPng(benchmark::State& state)
{
    const std::vector<std::uint8_t> png = EncodePng(charts::RenderChart(model()));
    GlyphWindows windows;
    ChartResults results;
    for (auto _ : state) {
        const Bitmap chart = DecodePng(png, "chart.png");
        CalcMT4("GBPUSD", chart, digits(), windows, ".", ".", results);
        benchmark::DoNotOptimize(results);
    }
}
BENCHMARK(BM_DecodeAndCalcMT4FromPng);

}  // namespace

BENCHMARK_MAIN();
