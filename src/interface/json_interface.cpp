#include "interface/json_interface.h"

#include <httplib.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

#include "acquisition/pair_naming.h"
#include "history/history_export.h"
#include "history/history_store.h"
#include "history/iso_time.h"
#include "interface/interface_json.h"
#include "platform/conversions.h"
#include "platform/files.h"
#include "platform/listening_socket.h"

namespace tivka {

namespace {

constexpr std::size_t kWorkers = 4;
constexpr std::size_t kQueuedConnections = 64;
constexpr time_t kReadTimeoutSeconds = 2;
constexpr time_t kWriteTimeoutSeconds = 5;
constexpr std::size_t kMaxPayload = 1024;
constexpr std::size_t kMaxHeaderBytes = 8192;
constexpr int kListenBacklog = 128;
constexpr const char* kJson = "application/json";

// Set while a connection beyond the queue is answered on the accepting
// thread: it gets 503 at once instead of waiting.
thread_local bool overloaded = false;

// A few workers and a bounded queue of connections. A connection that finds
// the queue full is handled at once on the accepting thread, as overloaded;
// it holds that thread at most as long as a client may stay silent.
class BoundedPool final : public httplib::TaskQueue {
public:
    BoundedPool()
    {
        for (std::size_t i = 0; i < kWorkers; ++i)
            workers_.emplace_back([this] { work(); });
    }
    void enqueue(std::function<void()> job) override
    {
        {
            std::unique_lock lock(mutex_);
            if (jobs_.size() < kQueuedConnections) {
                jobs_.push_back(std::move(job));
                lock.unlock();
                wake_.notify_one();
                return;
            }
        }
        overloaded = true;
        job();
        overloaded = false;
    }
    // Whether connections wait for a worker.
    bool crowded()
    {
        std::lock_guard lock(mutex_);
        return !jobs_.empty();
    }
    void shutdown() override
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (std::thread& worker : workers_)
            worker.join();
    }

private:
    void work()
    {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
                if (jobs_.empty())
                    return;
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            job();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> workers_;
    bool stopping_ = false;
};

struct Failure {
    int status;
    std::string message;
};

void answer(httplib::Response& response, int status, const std::string& body)
{
    response.status = status;
    response.set_content(body, kJson);
}

// The pairs the interface knows: the pair list and any pair held.
std::string knownPair(const httplib::Request& request, const LatestReadings& latest)
{
    if (!request.has_param("pair"))
        throw Failure{400, "pair is missing (e.g. pair=GBP/USD)"};
    const std::string pair = request.get_param_value("pair");
    const auto listed = std::find(kPairList.begin(), kPairList.end(), pair) != kPairList.end();
    if (listed || latest.latest(pair, ChartKind::Orders, std::nullopt) ||
        latest.latest(pair, ChartKind::Positions, std::nullopt))
        return pair;
    throw Failure{400, "unknown pair '" + pair + "'"};
}

std::optional<ChartKind> kindParam(const httplib::Request& request, bool required)
{
    if (!request.has_param("kind")) {
        if (required)
            throw Failure{400, "kind is missing (kind=orders or kind=positions)"};
        return std::nullopt;
    }
    const std::string kind = request.get_param_value("kind");
    if (kind == "orders")
        return ChartKind::Orders;
    if (kind == "positions")
        return ChartKind::Positions;
    throw Failure{400, "unknown kind '" + kind + "' (orders or positions)"};
}

std::optional<bool> variantParam(const httplib::Request& request)
{
    if (!request.has_param("variant"))
        return std::nullopt;
    const std::string variant = request.get_param_value("variant");
    if (variant == "cumulative" || variant == "noncumulative")
        return variant == "cumulative";
    throw Failure{400, "unknown variant '" + variant + "' (cumulative or noncumulative)"};
}

std::optional<std::int64_t> timeParam(const httplib::Request& request, const char* name)
{
    if (!request.has_param(name))
        return std::nullopt;
    const std::string text = request.get_param_value(name);
    if (auto instant = ParseIsoUtc(text))
        return instant;
    throw Failure{400, std::string(name) + " '" + text + "' is not a UTC time such as 2026-12-01 or 2026-12-01T12:30"};
}

// The bytes of the request's header lines, as sent.
std::size_t headerBytes(const httplib::Request& request)
{
    std::size_t bytes = 0;
    for (const auto& [name, value] : request.headers)
        bytes += name.size() + value.size() + 4;
    return bytes;
}

// Whether the request carries a body (the library reads none for a GET and
// leaves it on the connection), and how long it says it is.
std::optional<std::uint64_t> bodyBytes(const httplib::Request& request)
{
    if (request.has_header("Transfer-Encoding"))
        return std::numeric_limits<std::uint64_t>::max();
    const std::string length = request.get_header_value("Content-Length");
    if (length.empty() || length == "0")
        return std::nullopt;
    return std::strtoull(length.c_str(), nullptr, 10);
}

// What is refused before a route is looked for, and whether the connection
// stays open after the answer.
httplib::Server::HandlerResponse admit(const httplib::Request& request, httplib::Response& response,
                                       BoundedPool* pool)
{
    const bool get = request.method == "GET" || request.method == "HEAD";
    const std::optional<std::uint64_t> body = bodyBytes(request);
    // The library ends its side of a connection only after the client's:
    // asked to close, a client lets the thread go at once instead of holding
    // it for the keep-alive time, and a body left unread can never be taken
    // for the next request.
    if ((overloaded || !get || body || (pool && pool->crowded())) && request.get_header_value("Connection") != "close")
        response.set_header("Connection", "close");
    std::optional<Failure> refusal;
    if (overloaded)
        refusal = Failure{503, "too many connections at once; try again"};
    else if (!get)
        refusal = Failure{405, "only GET is answered"};
    else if (headerBytes(request) > kMaxHeaderBytes)
        refusal = Failure{431, "the request's headers are too large"};
    else if (body && *body > kMaxPayload)
        refusal = Failure{413, "the request is too large"};
    if (!refusal)
        return httplib::Server::HandlerResponse::Unhandled;
    answer(response, refusal->status, ErrorJson(refusal->message));
    return httplib::Server::HandlerResponse::Handled;
}

}  // namespace

struct JsonInterface::Server {
    httplib::Server http;
    std::thread listener;
    int port = 0;
    int listenFd = -1;
    BoundedPool* pool = nullptr;  // the library's, made when it starts listening
};

JsonInterface::JsonInterface(InterfaceSources sources) : sources_(std::move(sources)) {}

JsonInterface::~JsonInterface()
{
    stop();
}

int JsonInterface::port() const
{
    return server_ ? server_->port : 0;
}

void JsonInterface::stop()
{
    if (!server_)
        return;
    server_->http.stop();
    if (server_->listener.joinable())
        server_->listener.join();
    server_.reset();
}

Status JsonInterface::start(const std::string& address)
{
    std::string host = "127.0.0.1";
    std::string portText = address;
    if (const std::size_t colon = address.rfind(':'); colon != std::string::npos) {
        host = address.substr(0, colon);
        portText = address.substr(colon + 1);
        if (host.size() > 2 && host.front() == '[' && host.back() == ']')
            host = host.substr(1, host.size() - 2);
    }
    std::int32_t port = -1;
    if (host.empty() || !TryParseInteger(portText, port) || port < 0 || port > 65535)
        return Status(Status::Code::Invalid, address, "not an address to listen on (PORT or HOST:PORT)");

    auto server = std::make_unique<Server>();
    httplib::Server& http = server->http;
    Server* const raw = server.get();
    http.new_task_queue = [raw] { return raw->pool = new BoundedPool; };
    // The callback sees each socket just before it is bound; the one that
    // binds is the last it sees.
    http.set_socket_options([raw](int socket) {
        raw->listenFd = socket;
        SetListeningSocketOptions(socket);
    });
    // The library writes the headers and the body apart: without this a
    // kept-alive connection waits for the client's delayed acknowledgement of
    // the headers, some 40 ms, before the body goes out.
    http.set_tcp_nodelay(true);
    http.set_read_timeout(kReadTimeoutSeconds, 0);
    http.set_write_timeout(kWriteTimeoutSeconds, 0);
    http.set_keep_alive_timeout(kReadTimeoutSeconds);
    http.set_payload_max_length(kMaxPayload);
    const InterfaceSources& sources = sources_;

    http.set_pre_routing_handler([raw](const httplib::Request& request, httplib::Response& response) {
        return admit(request, response, raw->pool);
    });
    // A handler's Failure becomes its status; anything else is a fault of ours.
    const auto guarded = [](auto handler) {
        return [handler](const httplib::Request& request, httplib::Response& response) {
            try {
                handler(request, response);
            } catch (const Failure& failure) {
                answer(response, failure.status, ErrorJson(failure.message));
            } catch (const std::exception& error) {
                answer(response, 500, ErrorJson(error.what()));
            }
        };
    };
    http.Get("/v1/pairs", guarded([&sources](const httplib::Request&, httplib::Response& response) {
        answer(response, 200, PairsJson(sources.latest->all()));
    }));
    http.Get("/v1/health", guarded([&sources](const httplib::Request&, httplib::Response& response) {
        answer(response, 200, HealthJson(sources.health->snapshot()));
    }));
    http.Get("/v1/readings/latest", guarded([&sources](const httplib::Request& request, httplib::Response& response) {
        const std::string pair = knownPair(request, *sources.latest);
        const ChartKind kind = *kindParam(request, true);
        const auto reading = sources.latest->latest(pair, kind, variantParam(request));
        if (!reading)
            throw Failure{404, "no reading of " + pair + " " + ChartKindName(kind) + " yet"};
        answer(response, 200, ReadingJson(*reading));
    }));
    http.Get("/v1/history", guarded([&sources](const httplib::Request& request, httplib::Response& response) {
        ReadingQuery query{knownPair(request, *sources.latest), kindParam(request, false), variantParam(request)};
        query.from = timeParam(request, "from").value_or(query.from);
        query.to = timeParam(request, "to").value_or(query.to);
        if (sources.historyPath.empty() || !IsRegularFile(sources.historyPath))
            throw Failure{404, "no history is kept here"};
        std::string body;
        HistoryStore store(sources.historyPath);
        HistoryExporter exporter(ExportFormat::Json, [&](std::string_view piece) { body.append(piece); });
        store.forEachReading(query, [&](const StoredReading& reading) { exporter.add(reading); });
        exporter.finish();
        answer(response, 200, body);
    }));
    // What the library refused itself, and paths that are none of ours.
    http.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request& request,
                                                                   httplib::Response& response) {
        if (!response.body.empty())
            return httplib::Server::HandlerResponse::Unhandled;  // a route's own answer
        const int status = response.status;
        const std::string message = status == 404                   ? "no such path: " + request.path
                                    : status == 413 || status == 414 ? "the request is too large"
                                                                    : "bad request";
        response.set_content(ErrorJson(message), kJson);
        return httplib::Server::HandlerResponse::Handled;
    }));

    const int bound = port == 0 ? http.bind_to_any_port(host) : (http.bind_to_port(host, port) ? port : -1);
    if (bound < 0)
        return Status(Status::Code::IoError, address, "cannot listen there (in use, or not an address of this machine)");
    if (const Status widened = WidenListenBacklog(server->listenFd, kListenBacklog); !widened.ok())
        return Status(Status::Code::IoError, address, widened.detail());
    server->port = bound;
    std::promise<void> ended;
    auto listening = ended.get_future();
    server->listener = std::thread([&http, ended = std::move(ended)]() mutable {
        http.listen_after_bind();
        ended.set_value();
    });
    // A stop() before the library listens would be lost and leave it
    // accepting for ever: return only once it listens (or has given up).
    while (!http.is_running() && listening.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
    }
    if (!http.is_running()) {
        server->listener.join();
        return Status(Status::Code::IoError, address, "cannot listen there");
    }
    server_ = std::move(server);
    return {};
}

}  // namespace tivka
