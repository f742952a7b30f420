// The whole indicator update pass: all ten pairs requested in three folders,
// against a loopback chart server that takes 50 ms per request, fetching pair
// by pair versus all charts at once.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "acquisition/download.h"
#include "acquisition/pair_naming.h"
#include "chart_server/chart_renderer.h"
#include "chart_server/chart_server.h"
#include "export/indicator_pass.h"

namespace {

namespace fs = std::filesystem;
constexpr int kDelayPerRequestMs = 50;

// A pair that was not served spoils the figures.
void FailureIsAnError(tivka::RefreshEvent event)
{
    if (const auto* failed = std::get_if<tivka::PairFailed>(&event))
        throw std::runtime_error("unexpected failure of " + failed->pairText);
}

// The server draws each chart on first request; draw them all before timing,
// so that the figures are the pass's own and not the test server's drawing.
void DrawChartsAhead(const std::string& chartUrl)
{
    std::vector<tivka::DownloadJob> jobs;
    for (const char* pair : tivka::kPairList)
        for (const char* form : {"orders_noncumulative_", "posentryprice_noncumulative_"})
            jobs.push_back({chartUrl + form + tivka::PairName(pair) + ".png", "ahead.png"});
    for (const tivka::DownloadOutcome& outcome : tivka::DownloadFiles(jobs, {}, 1))
        if (!outcome.fetched())
            throw std::runtime_error("the chart server did not answer");
    fs::remove("ahead.png");
}

void BM_UpdatePassAllPairsThreeFolders(benchmark::State& state)
{
    tivka::charts::ChartServerOptions options;
    options.delayMs = kDelayPerRequestMs;
    options.fixedTime = "12:30";
    tivka::charts::ChartServer chartServer(options);
    chartServer.start();
    char folderTemplate[] = "/tmp/tivka-bench-XXXXXX";
    if (!mkdtemp(folderTemplate))
        throw std::runtime_error("cannot make a temporary folder");
    const fs::path root = folderTemplate;
    const fs::path previous = fs::current_path();
    fs::current_path(root);

    tivka::IndicatorPassConfig config;
    config.chartUrl =
        "http://127.0.0.1:" + std::to_string(chartServer.port()) + std::string(tivka::charts::kChartFolder);
    config.overlapped = state.range(0) != 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string folder = "mt4_" + std::to_string(i + 1) + "/";
        config.folders[i] = {folder, true};
        fs::create_directories(folder);
        for (const char* pair : tivka::kPairList)
            std::ofstream(folder + "ir" + tivka::PairCode(pair) + ".dat") << "0";
    }
    DrawChartsAhead(config.chartUrl);
    const tivka::DigitTemplate digits(tivka::charts::DigitTemplateBitmap());
    tivka::HttpDownloader downloader;
    tivka::IndicatorPass pass;
    for (auto _ : state)
        pass.serve(config, digits, downloader, FailureIsAnError);

    fs::current_path(previous);
    fs::remove_all(root);
}
BENCHMARK(BM_UpdatePassAllPairsThreeFolders)
    ->ArgName("overlapped")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
