#include "chart_server/chart_server.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <future>
#include <stdexcept>

#include "chart/png_codec.h"
#include "platform/listening_socket.h"

namespace tivka::charts {

const std::vector<std::string> kServedPairs = {"GBP_USD", "EUR_USD", "AUD_USD", "USD_JPY", "USD_CAD",
                                               "USD_CHF", "EUR_GBP", "EUR_JPY", "EUR_CHF", "GBP_JPY"};

namespace {

constexpr int kListenBacklog = 128;

bool takePrefix(std::string_view& text, std::string_view prefix)
{
    if (text.substr(0, prefix.size()) != prefix)
        return false;
    text.remove_prefix(prefix.size());
    return true;
}

// GBP/USD, GBPUSD and GBP_USD all name the pair GBP_USD.
std::string pairInFileForm(std::string text)
{
    std::replace(text.begin(), text.end(), '/', '_');
    if (text.size() == 6)
        text.insert(3, "_");
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

// The pair as the window names it ("GBP/USD") from its file name's "GBP_USD".
std::string pairTextOf(const ChartFile& file)
{
    std::string pairText = file.pair;
    std::replace(pairText.begin(), pairText.end(), '_', '/');
    return pairText;
}

// FNV-1a over the chart's identity, so every file and minute gets its own book.
std::uint64_t chartSeed(std::uint64_t seed, const ChartFile& file, const std::string& timeText)
{
    std::uint64_t hash = 14695981039346656037ull ^ seed;
    const std::string identity = file.pair + (file.kind == ChartKind::Orders ? "|orders|" : "|positions|") +
                                 (file.cumulative ? "cum|" : "noncum|") + timeText;
    for (unsigned char c : identity) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

std::string htmlPage(const std::string& title, const std::string& text)
{
    return "<!DOCTYPE html>\n<html><head><title>" + title + "</title></head><body><h1>" + title +
           "</h1><p>" + text + "</p></body></html>\n";
}

void sendNotFound(httplib::Response& response, const std::string& path)
{
    response.status = 404;
    response.set_content(htmlPage("404 Not Found", "No chart is published at " + path + "."), "text/html");
}

}  // namespace

std::optional<ChartFile> ParseChartFileName(std::string_view name)
{
    ChartFile file;
    if (takePrefix(name, "orders_"))
        file.kind = ChartKind::Orders;
    else if (takePrefix(name, "posentryprice_"))
        file.kind = ChartKind::Positions;
    else
        return std::nullopt;
    file.cumulative = !takePrefix(name, "noncumulative_");
    if (name.size() < 4 || name.substr(name.size() - 4) != ".png")
        return std::nullopt;
    file.pair = std::string(name.substr(0, name.size() - 4));
    if (std::find(kServedPairs.begin(), kServedPairs.end(), file.pair) == kServedPairs.end())
        return std::nullopt;
    return file;
}

ChartModel ChartModelFor(const ChartFile& file, std::uint64_t seed, const std::string& timeText, ChartFont font)
{
    ChartModel model =
        MakeChartModel(file.kind, pairTextOf(file), file.cumulative, chartSeed(seed, file, timeText), timeText);
    model.font = font;
    return model;
}

Bitmap ChartPicture(const ChartFile& file, std::uint64_t seed, const std::string& timeText, ChartFont font)
{
    return RenderChart(ChartModelFor(file, seed, timeText, font));
}

Bitmap DriftingChartPicture(const ChartFile& file, std::uint64_t seed, std::int64_t minute)
{
    return RenderChart(MakeDriftingChartModel(file.kind, pairTextOf(file), file.cumulative, seed, minute));
}

ChartServer::ChartServer(ChartServerOptions options) : options_(std::move(options))
{
    if (!options_.notFoundPair.empty())
        options_.notFoundPair = pairInFileForm(options_.notFoundPair);
}

ChartServer::~ChartServer() { stop(); }

void ChartServer::start()
{
    if (http_)
        throw std::logic_error("the chart server has already been started");
    http_ = std::make_unique<httplib::Server>();
    // Address reuse after a restart, but no port sharing: a second server on a
    // busy port must fail rather than silently split the requests.
    // The callback sees each socket just before it is bound; the one that
    // binds is the last it sees.
    http_->set_socket_options([this](int sock) {
        listenFd_ = sock;
        SetListeningSocketOptions(sock);
    });
    // The library writes the headers and the body separately; without this a
    // reused connection holds the body back until the client's delayed
    // acknowledgement of the headers, some 40 ms on every reply.
    http_->set_tcp_nodelay(true);
    http_->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        handle(request, response);
    });
    const int port = options_.port == 0 ? http_->bind_to_any_port(options_.bind)
                                        : (http_->bind_to_port(options_.bind, options_.port) ? options_.port : -1);
    if (port <= 0)
        throw std::runtime_error("cannot listen on " + options_.bind + " port " + std::to_string(options_.port));
    port_ = port;
    // The library listens with a backlog of 5: a burst of parallel downloads
    // would lose connection requests and wait a second for their retry.
    if (::listen(listenFd_, kListenBacklog) != 0)
        throw std::runtime_error("cannot listen on " + options_.bind + " port " + std::to_string(port));
    std::promise<void> ended;
    auto listening = ended.get_future();
    thread_ = std::thread([this, ended = std::move(ended)]() mutable {
        http_->listen_after_bind();
        ended.set_value();
    });
    // A stop() before the listener runs would be lost and leave it accepting
    // for ever: return only once it is running (or has already given up).
    while (!http_->is_running() &&
           listening.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
    }
}

void ChartServer::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (http_)
        http_->stop();
    if (thread_.joinable())
        thread_.join();
}

bool ChartServer::pause(int milliseconds)
{
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return stopping_; });
}

std::int64_t ChartServer::driftMinute() const
{
    return std::int64_t(std::time(nullptr)) * options_.driftSpeed / 60;
}

// In drift mode the cache key `time` is the model's minute.
Bitmap ChartServer::picture(const ChartFile& file, const std::string& time) const
{
    if (options_.drift)
        return DriftingChartPicture(file, options_.seed, std::stoll(time));
    return ChartPicture(file, options_.seed, time, options_.font);
}

std::string ChartServer::chartTime() const
{
    if (options_.drift)
        return std::to_string(driftMinute());
    if (!options_.fixedTime.empty())
        return options_.fixedTime;
    // The UTC time of day: a day is 86400 seconds in the epoch's count.
    const long long second = static_cast<long long>(std::time(nullptr)) % 86400;
    char text[8];
    std::snprintf(text, sizeof text, "%02lld:%02lld", second / 3600, second % 3600 / 60);
    return text;
}

bool ChartServer::stallReply()
{
    if (options_.stallMs > 0)
        return pause(options_.stallMs);
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return stopping_; });
    return false;
}

void ChartServer::handle(const httplib::Request& request, httplib::Response& response)
{
    if (options_.onRequest)
        options_.onRequest(request.path);
    std::string_view name = request.path;
    std::optional<ChartFile> file;
    if (takePrefix(name, kChartFolder))
        file = ParseChartFileName(name);
    const ChartFault fault = file && options_.faultFor ? options_.faultFor(*file) : ChartFault::None;
    if ((options_.stall || fault == ChartFault::Stall) && !stallReply()) {
        response.status = 503;
        return;
    }
    const int delay = options_.delayMs + (fault == ChartFault::Slow ? options_.slowMs : 0);
    if (delay > 0 && !pause(delay)) {
        response.status = 503;
        return;
    }
    if (!file || file->pair == options_.notFoundPair || fault == ChartFault::NotFound)
        return sendNotFound(response, request.path);
    if (options_.notPng || fault == ChartFault::NotPng) {
        response.set_content(htmlPage("Service notice", "The charts are being updated."), "text/html");
        return;
    }
    sendChart(*file, response, options_.truncate || fault == ChartFault::Truncate);
}

std::shared_ptr<const std::vector<std::uint8_t>> ChartServer::encodedChart(const ChartFile& file)
{
    const std::string time = chartTime();
    const std::string name = (file.kind == ChartKind::Orders ? "orders_" : "posentryprice_") +
                             std::string(file.cumulative ? "" : "noncumulative_") + file.pair;
    {
        std::lock_guard lock(mutex_);
        if (time != cachedTime_) {
            cached_.clear();  // only the current minute's charts are asked for
            cachedTime_ = time;
        }
        if (auto found = cached_.find(name); found != cached_.end())
            return found->second;
    }
    // Drawn outside the lock so that parallel requests draw in parallel.
    auto png = std::make_shared<const std::vector<std::uint8_t>>(EncodePng(picture(file, time)));
    std::lock_guard lock(mutex_);
    if (time == cachedTime_)
        cached_.emplace(name, png);
    return png;
}

void ChartServer::sendChart(const ChartFile& file, httplib::Response& response, bool truncate)
{
    if (options_.chartBody)
        if (std::optional<std::string> body = options_.chartBody(file)) {
            response.set_content(*body, "image/png");
            return;
        }
    auto png = encodedChart(file);
    if (!truncate) {
        response.set_content(reinterpret_cast<const char*>(png->data()), png->size(), "image/png");
        return;
    }
    // Announce the whole picture, send the first half, then drop the connection.
    response.set_content_provider(png->size(), "image/png",
                                  [png](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                      const std::size_t half = png->size() / 2;
                                      if (offset >= half)
                                          return false;
                                      sink.write(reinterpret_cast<const char*>(png->data()) + offset, half - offset);
                                      return true;
                                  });
}

}  // namespace tivka::charts
