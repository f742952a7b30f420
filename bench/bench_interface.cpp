// The local JSON interface on loopback: how long /v1/readings/latest takes on
// a kept-alive connection (median and 99th percentile of single requests),
// and how many it answers a second while indicator passes (ten pairs in three
// folders against the chart server) run one after another on another thread.
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "acquisition/download.h"
#include "acquisition/pair_naming.h"
#include "chart_server/chart_renderer.h"
#include "chart_server/chart_server.h"
#include "export/indicator_pass.h"
#include "interface/interface_host.h"
#include "platform/clock.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kLatest = "/v1/readings/latest?pair=GBP/USD&kind=orders";

// Ten pairs asked for in three folders below a fresh current folder, served
// from the chart server with every reading and event going to the interface.
class PassesAndInterface {
public:
    PassesAndInterface() : host_("", clock_)
    {
        options_.fixedTime = "12:30";
        charts_ = std::make_unique<tivka::charts::ChartServer>(options_);
        charts_->start();
        char folderTemplate[] = "/tmp/tivka-bench-XXXXXX";
        if (!mkdtemp(folderTemplate))
            throw std::runtime_error("cannot make a temporary folder");
        root_ = folderTemplate;
        previous_ = fs::current_path();
        fs::current_path(root_);
        config_.chartUrl =
            "http://127.0.0.1:" + std::to_string(charts_->port()) + std::string(tivka::charts::kChartFolder);
        for (std::size_t i = 0; i < 3; ++i) {
            config_.folders[i] = {"mt4_" + std::to_string(i + 1) + "/", true};
            fs::create_directories(config_.folders[i].path);
            for (const char* pair : tivka::kPairList)
                std::ofstream(config_.folders[i].path + "ir" + tivka::PairCode(pair) + ".dat") << "0";
        }
        config_.recorder = &host_.recorder();
        if (!host_.start("127.0.0.1:0").ok())
            throw std::runtime_error("the interface did not start");
        pass();  // every pair held before anything is timed
    }
    ~PassesAndInterface()
    {
        stopPasses();
        charts_->stop();
        fs::current_path(previous_);
        fs::remove_all(root_);
    }

    int port() const { return host_.port(); }

    void pass() { passes_.serve(config_, digits_, downloader_, host_.sink()); }

    void startPasses()
    {
        looping_ = true;
        loop_ = std::thread([this] {
            while (looping_) {
                pass();
                ++passesRun_;
            }
        });
    }
    int stopPasses()
    {
        looping_ = false;
        if (loop_.joinable())
            loop_.join();
        return passesRun_;
    }

private:
    tivka::SystemClock clock_;
    tivka::InterfaceHost host_;
    tivka::charts::ChartServerOptions options_;
    std::unique_ptr<tivka::charts::ChartServer> charts_;
    fs::path root_;
    fs::path previous_;
    tivka::IndicatorPassConfig config_;
    const tivka::DigitTemplate digits_{tivka::charts::DigitTemplateBitmap()};
    tivka::HttpDownloader downloader_;
    tivka::IndicatorPass passes_;
    std::thread loop_;
    std::atomic<bool> looping_{false};
    std::atomic<int> passesRun_{0};
};

// One request on the kept-alive connection; its time in microseconds.
double timedRequest(httplib::Client& client)
{
    const auto start = Clock::now();
    const auto answer = client.Get(kLatest);
    if (!answer || answer->status != 200)
        throw std::runtime_error("the interface did not answer 200");
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

double percentile(std::vector<double> times, double share)
{
    std::sort(times.begin(), times.end());
    return times[std::min(times.size() - 1, std::size_t(share * double(times.size())))];
}

// One client, one kept-alive connection, requests one after another; with
// passes running on another thread when the argument is 1.
void BM_LatestReadingOnKeptAliveConnection(benchmark::State& state)
{
    PassesAndInterface world;
    httplib::Client client("127.0.0.1", world.port());
    client.set_keep_alive(true);
    timedRequest(client);  // the connection made
    if (state.range(0))
        world.startPasses();
    std::vector<double> times;
    for (auto _ : state)
        times.push_back(timedRequest(client));
    const int passes = world.stopPasses();
    state.counters["median_us"] = percentile(times, 0.5);
    state.counters["p99_us"] = percentile(times, 0.99);
    state.counters["requests_per_s"] = benchmark::Counter(double(times.size()), benchmark::Counter::kIsRate);
    state.counters["passes"] = passes;
}
BENCHMARK(BM_LatestReadingOnKeptAliveConnection)
    ->ArgName("passes_running")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(5000)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
