#include "export/chart_service.h"

#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdio>
#include <stdexcept>

#include "acquisition/png_codec.h"

namespace tivka::test {

namespace {

constexpr const char* kImagesFolder = "/products/historical_orderbook_graphs/dat/ordersummary/images/";
const char* const kPairs[] = {"GBP/USD", "EUR/USD", "AUD/USD", "USD/JPY", "USD/CAD",
                              "USD/CHF", "EUR/GBP", "EUR/JPY", "EUR/CHF", "GBP/JPY"};

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

std::string PairUnderscore(const std::string& pairText)
{
    return pairText.substr(0, 3) + "_" + pairText.substr(4, 3);
}

std::string EncodedChart(const charts::ChartModel& model)
{
    const std::vector<std::uint8_t> png = EncodePng(charts::RenderChart(model));
    return std::string(png.begin(), png.end());
}

// The reader's price of column x: the first label at or right of x, else
// the last one, moved by the step of the first two labels.
double ColumnPrice(const charts::ChartModel& model, int x)
{
    const auto& labels = model.labels;
    if (labels.empty())
        throw std::logic_error("a served chart needs scale labels");
    double step = 0;
    if (labels.size() >= 2)
        step = (labels[1].price - labels[0].price) / double(labels[1].firstInkColumn - labels[0].firstInkColumn);
    const charts::ScaleLabel* reference = &labels.back();
    for (const auto& label : labels)
        if (label.firstInkColumn + 3 >= x) {
            reference = &label;
            break;
        }
    return double((long double)reference->price - (long double)(reference->firstInkColumn + 3 - x) * step);
}

std::string PriceText(double price, int digits)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", digits, price);
    return text;
}

void AppendRows(std::string& out, const charts::ChartModel& model, int first, int last)
{
    for (int x = first; x <= last; ++x) {
        const int buy = model.buy[std::size_t(x - 75)].countedPixels() * 100 / 74;
        const int sell = model.sell[std::size_t(x - 75)].countedPixels() * 100 / 74;
        out += PriceText(ColumnPrice(model, x), model.digits) + ";" + std::to_string(buy) + ";" +
               std::to_string(sell) + "\r\n";
    }
}

}  // namespace

ChartService::ChartService() : server_(std::make_unique<httplib::Server>())
{
    server_->Get(R"(/.*)", [this](const httplib::Request& request, httplib::Response& response) {
        const std::string prefix = kImagesFolder;
        const std::string file =
            request.path.rfind(prefix, 0) == 0 ? request.path.substr(prefix.size()) : request.path;
        std::lock_guard lock(mutex_);
        requests_.push_back(file);
        if (charts_.count(file) == 0) {
            response.status = 404;
            response.set_content("<html><body>Not found</body></html>", "text/html");
            return;
        }
        response.set_content(chartLocked(file).body, "image/png");
    });
    for (const char* pair : kPairs)
        for (auto kind : {charts::ChartKind::Orders, charts::ChartKind::Positions})
            for (bool cumulative : {false, true})
                charts_[fileName(pair, kind, cumulative)].model.pairText = pair;
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0)
        throw std::runtime_error("the test chart service cannot listen on loopback");
    WidenListenBacklog(port_);
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    while (!server_->is_running())  // so that stop() always finds the loop running
        std::this_thread::yield();
}

ChartService::~ChartService()
{
    server_->stop();
    thread_.join();
}

std::string ChartService::chartUrl() const
{
    return "http://127.0.0.1:" + std::to_string(port_) + kImagesFolder;
}

std::string ChartService::fileName(const std::string& pairText, charts::ChartKind kind, bool cumulative)
{
    return std::string(kind == charts::ChartKind::Orders ? "orders_" : "posentryprice_") +
           (cumulative ? "" : "noncumulative_") + PairUnderscore(pairText) + ".png";
}

ChartService::Chart& ChartService::chartLocked(const std::string& file)
{
    Chart& chart = charts_.at(file);
    if (chart.body.empty()) {
        const std::uint64_t seed = std::hash<std::string>{}(file) % 100000;
        const auto kind = file.rfind("orders_", 0) == 0 ? charts::ChartKind::Orders : charts::ChartKind::Positions;
        const bool cumulative = file.find("noncumulative_") == std::string::npos;
        chart.model = charts::MakeChartModel(kind, chart.model.pairText, cumulative, seed, "12:30");
        chart.body = EncodedChart(chart.model);
    }
    return chart;
}

charts::ChartModel ChartService::model(const std::string& pairText, charts::ChartKind kind, bool cumulative)
{
    std::lock_guard lock(mutex_);
    return chartLocked(fileName(pairText, kind, cumulative)).model;
}

void ChartService::setModel(const std::string& pairText, charts::ChartKind kind, bool cumulative,
                            const charts::ChartModel& model)
{
    std::lock_guard lock(mutex_);
    charts_[fileName(pairText, kind, cumulative)] = {model, EncodedChart(model)};
}

void ChartService::setBody(const std::string& pairText, charts::ChartKind kind, bool cumulative,
                           const std::string& body)
{
    std::lock_guard lock(mutex_);
    Chart& chart = chartLocked(fileName(pairText, kind, cumulative));
    chart.body = body;
}

std::vector<std::string> ChartService::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

std::string ExpectedDataText(const charts::ChartModel& orders, const charts::ChartModel& positions)
{
    std::string out = orders.timeText + "\r\n" + orders.priceText + "\r\nOrders\r\n";
    AppendRows(out, orders, 76, 254);
    AppendRows(out, orders, 256, 434);
    out += "Position\r\n";
    AppendRows(out, positions, 76, 254);
    AppendRows(out, positions, 256, 434);
    return out;
}

}  // namespace tivka::test
