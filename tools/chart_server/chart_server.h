#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "chart_server/chart_renderer.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace tivka::charts {

// The folder every chart lives in, as on the broker's server.
inline constexpr std::string_view kChartFolder = "/products/historical_orderbook_graphs/dat/ordersummary/images/";

// The ten pairs served, as written in chart file names.
extern const std::vector<std::string> kServedPairs;

// What one chart file name asks for: "orders_" or "posentryprice_", optionally
// "noncumulative_", one of the served pairs (GBP_USD) and ".png".
struct ChartFile {
    ChartKind kind = ChartKind::Orders;
    bool cumulative = true;
    std::string pair;  // GBP_USD
};
std::optional<ChartFile> ParseChartFileName(std::string_view name);

// A way for one chart reply to go wrong, as real servers and proxies do.
enum class ChartFault {
    None,
    NotFound,  // 404 with an HTML page
    NotPng,    // 200 with an HTML page
    Truncate,  // the full Content-Length announced, half the picture sent
    Stall,     // nothing sent for stallMs (until stopped when 0)
    Slow,      // the picture sent after slowMs
};

struct ChartServerOptions {
    std::string bind = "127.0.0.1";
    int port = 0;  // 0 picks a free port
    std::uint64_t seed = 1;
    int delayMs = 0;             // wait before every reply
    std::string notFoundPair;    // this pair's charts answer 404 (GBP_USD, GBP/USD or GBPUSD)
    bool truncate = false;       // full Content-Length, half the bytes, then close
    bool notPng = false;         // 200 with an HTML page instead of the picture
    bool stall = false;          // read the request, answer nothing until stopped
    std::string fixedTime;       // "HH:MM" on every chart; empty: current UTC time
    int stallMs = 0;             // how long a stalled reply stays silent; 0: until stopped
    int slowMs = 2000;           // how long a slow reply waits
    // Called for every chart file requested (after onRequest); the fault
    // returned is served in place of the picture (on top of the options above).
    std::function<ChartFault(const ChartFile&)> faultFor;
    ChartFont font = ChartFont::Block;  // the font of every chart's texts
    // Charts that drift with the clock (MakeDriftingChartModel) instead of a
    // new random chart every minute; the model's clock runs `driftSpeed`
    // times as fast as the real one, and the chart time shows it.
    bool drift = false;
    int driftSpeed = 1;
    // Called on a serving thread with every request's path as it arrives
    // (before any delay), so that a caller can see what was fetched.
    std::function<void(const std::string& path)> onRequest;
    // When set and it returns a body for a served chart file, that body is sent
    // as is (200, image/png) in place of the drawn picture.
    std::function<std::optional<std::string>(const ChartFile&)> chartBody;
};

// The model drawn for a chart file at a seed and chart time: ChartPicture is
// RenderChart of exactly this model. The font changes only how the texts look.
ChartModel ChartModelFor(const ChartFile& file, std::uint64_t seed, const std::string& timeText,
                         ChartFont font = ChartFont::Block);

// The chart file's picture for a seed and chart time, as the server sends it:
// the same inputs always give the same picture.
Bitmap ChartPicture(const ChartFile& file, std::uint64_t seed, const std::string& timeText,
                    ChartFont font = ChartFont::Block);

// The drifting chart file's picture at a minute since the epoch.
Bitmap DriftingChartPicture(const ChartFile& file, std::uint64_t seed, std::int64_t minute);

// A small HTTP server publishing synthetic order-book charts in the broker's
// folder layout. Serves on its own thread between start() and stop().
class ChartServer {
public:
    explicit ChartServer(ChartServerOptions options);
    ~ChartServer();
    ChartServer(const ChartServer&) = delete;
    ChartServer& operator=(const ChartServer&) = delete;

    // Binds and starts serving; throws std::runtime_error naming the address
    // when it cannot listen. A server starts once.
    void start();
    // The bound port (after start()).
    int port() const { return port_; }
    // Ends stalled and delayed replies, stops listening and joins the thread.
    // Safe to call more than once.
    void stop();

private:
    void handle(const httplib::Request& request, httplib::Response& response);
    void sendChart(const ChartFile& file, httplib::Response& response, bool truncate);
    bool stallReply();  // false when stopping
    bool pause(int milliseconds);  // false when stopping
    std::string chartTime() const;
    std::int64_t driftMinute() const;
    Bitmap picture(const ChartFile& file, const std::string& time) const;
    std::shared_ptr<const std::vector<std::uint8_t>> encodedChart(const ChartFile& file);

    ChartServerOptions options_;
    std::unique_ptr<httplib::Server> http_;
    std::thread thread_;
    int port_ = 0;
    int listenFd_ = -1;  // the listening socket, once bound
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    // Drawing a chart costs far more than sending it: the pictures of the
    // current chart time, by file name, drawn once.
    std::string cachedTime_;
    std::map<std::string, std::shared_ptr<const std::vector<std::uint8_t>>> cached_;
};

}  // namespace tivka::charts
