// The whole indicator update pass: all ten pairs requested in three folders,
// against a loopback chart server that takes 50 ms per request, fetching pair
// by pair versus all charts at once.
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <thread>

#include "acquisition/pair_naming.h"
#include "acquisition/png_codec.h"
#include "chart_server/chart_renderer.h"
#include "export/update_pass.h"

namespace {

namespace fs = std::filesystem;
constexpr const char* kImages = "/products/historical_orderbook_graphs/dat/ordersummary/images/";
constexpr auto kDelayPerRequest = std::chrono::milliseconds(50);

// The HTTP library listens with a backlog of 5: a burst of eight connections
// loses SYNs and waits a second for their retry. Widen the backlog of the
// listening socket on `port`.
void WidenListenBacklog(int port)
{
    for (int fd = 0; fd < 1024; ++fd) {
        sockaddr_in address{};
        socklen_t length = sizeof address;
        int listening = 0;
        socklen_t flagLength = sizeof listening;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0 && address.sin_family == AF_INET &&
            ntohs(address.sin_port) == port &&
            getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &flagLength) == 0 && listening)
            ::listen(fd, 64);
    }
}

class SilentMessages final : public tivka::UserMessages {
public:
    void showMessage(const std::string& text) override { throw std::runtime_error("unexpected: " + text); }
};

// Serves the non-cumulative charts of the ten pairs, each after a delay.
class SlowChartServer {
public:
    SlowChartServer()
    {
        std::uint64_t seed = 1;
        for (const char* pair : tivka::kPairList)
            for (auto kind : {tivka::charts::ChartKind::Orders, tivka::charts::ChartKind::Positions}) {
                const auto model = tivka::charts::MakeChartModel(kind, pair, false, seed++, "12:30");
                const auto png = tivka::EncodePng(tivka::charts::RenderChart(model));
                const std::string prefix =
                    kind == tivka::charts::ChartKind::Orders ? "orders_noncumulative_" : "posentryprice_noncumulative_";
                bodies_[kImages + prefix + tivka::PairName(pair) + ".png"] = std::string(png.begin(), png.end());
            }
        server_.Get(R"(/.*)", [this](const httplib::Request& request, httplib::Response& response) {
            std::this_thread::sleep_for(kDelayPerRequest);
            const auto found = bodies_.find(request.path);
            if (found == bodies_.end())
                response.status = 404;
            else
                response.set_content(found->second, "image/png");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        WidenListenBacklog(port_);
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running())
            std::this_thread::yield();
    }
    ~SlowChartServer()
    {
        server_.stop();
        thread_.join();
    }
    std::string chartUrl() const { return "http://127.0.0.1:" + std::to_string(port_) + kImages; }

private:
    std::map<std::string, std::string> bodies_;
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
};

void BM_UpdatePassAllPairsThreeFolders(benchmark::State& state)
{
    SlowChartServer server;
    char folderTemplate[] = "/tmp/tivka-bench-XXXXXX";
    if (!mkdtemp(folderTemplate))
        throw std::runtime_error("cannot make a temporary folder");
    const fs::path root = folderTemplate;
    const fs::path previous = fs::current_path();
    fs::current_path(root);

    tivka::UpdatePassConfig config;
    config.chartUrl = server.chartUrl();
    config.overlapped = state.range(0) != 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string folder = "mt4_" + std::to_string(i + 1) + "/";
        config.mt4Dirs[i] = folder;
        fs::create_directories(folder);
        for (const char* pair : tivka::kPairList)
            std::ofstream(folder + "ir" + tivka::PairCode(pair) + ".dat") << "0";
    }
    const tivka::DigitTemplate digits(tivka::charts::DigitTemplateBitmap());
    tivka::IndicatorState indicator;
    tivka::CurlDownloader downloader;
    SilentMessages messages;
    for (auto _ : state)
        tivka::SaveData(config, digits, indicator, downloader, messages);

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
