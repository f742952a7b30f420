#include "export/chart_service.h"

#include <cstdio>
#include <stdexcept>

#include "chart/png_codec.h"

namespace tivka::test {

namespace {

constexpr const char* kServedTime = "12:30";
constexpr std::uint64_t kServedSeed = 1;

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

ChartService::ChartService()
{
    charts::ChartServerOptions options;
    options.seed = kServedSeed;
    options.fixedTime = kServedTime;
    options.onRequest = [this](const std::string& path) {
        const std::string_view folder = charts::kChartFolder;
        std::function<void(const std::string&)> hook;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(path.rfind(folder, 0) == 0 ? path.substr(folder.size()) : path);
            hook = onRequest;
        }
        if (hook)
            hook(path);
    };
    options.faultFor = [this](const charts::ChartFile& file) {
        std::lock_guard lock(mutex_);
        const auto found = replaced_.find(fileName(file.pair, file.kind, file.cumulative));
        return found == replaced_.end() ? charts::ChartFault::None : found->second.fault;
    };
    options.chartBody = [this](const charts::ChartFile& file) { return replacedBody(file); };
    server_ = std::make_unique<charts::ChartServer>(std::move(options));
    server_->start();
}

ChartService::~ChartService() { server_->stop(); }

std::string ChartService::chartUrl() const
{
    return "http://127.0.0.1:" + std::to_string(server_->port()) + std::string(charts::kChartFolder);
}

std::string ChartService::fileName(const std::string& pairText, charts::ChartKind kind, bool cumulative)
{
    return std::string(kind == charts::ChartKind::Orders ? "orders_" : "posentryprice_") +
           (cumulative ? "" : "noncumulative_") + PairUnderscore(pairText) + ".png";
}

std::optional<std::string> ChartService::replacedBody(const charts::ChartFile& file) const
{
    std::lock_guard lock(mutex_);
    const auto found = replaced_.find(fileName(file.pair, file.kind, file.cumulative));
    if (found == replaced_.end() || found->second.body.empty())
        return std::nullopt;
    return found->second.body;
}

charts::ChartModel ChartService::model(const std::string& pairText, charts::ChartKind kind, bool cumulative)
{
    const std::string name = fileName(pairText, kind, cumulative);
    {
        std::lock_guard lock(mutex_);
        const auto found = replaced_.find(name);
        if (found != replaced_.end() && found->second.model)
            return *found->second.model;
    }
    return charts::ChartModelFor(*charts::ParseChartFileName(name), kServedSeed, kServedTime);
}

void ChartService::setModel(const std::string& pairText, charts::ChartKind kind, bool cumulative,
                            const charts::ChartModel& model)
{
    std::lock_guard lock(mutex_);
    replaced_[fileName(pairText, kind, cumulative)] = {model, EncodedChart(model)};
}

void ChartService::setBody(const std::string& pairText, charts::ChartKind kind, bool cumulative,
                           const std::string& body)
{
    std::lock_guard lock(mutex_);
    Replacement& replacement = replaced_[fileName(pairText, kind, cumulative)];
    replacement.body = body;
}

void ChartService::setFault(const std::string& pairText, charts::ChartKind kind, bool cumulative,
                            charts::ChartFault fault)
{
    std::lock_guard lock(mutex_);
    replaced_[fileName(pairText, kind, cumulative)].fault = fault;
}

void ChartService::reset()
{
    std::lock_guard lock(mutex_);
    replaced_.clear();
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
