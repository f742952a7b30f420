#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "chart_server/chart_renderer.h"
#include "chart_server/chart_server.h"

namespace tivka::test {

// The chart server on loopback for the indicator pass tests: serves every
// chart of the ten pairs as the chart server draws it, and tells the model
// drawn, so that the tests can compute what the pass must write from the model
// alone. Single charts can be replaced by another model or any body.
class ChartService {
public:
    ChartService();
    ~ChartService();
    ChartService(const ChartService&) = delete;
    ChartService& operator=(const ChartService&) = delete;

    // ChartURL of the service, ending in "/".
    std::string chartUrl() const;

    // The model served for a chart (deterministic).
    charts::ChartModel model(const std::string& pairText, charts::ChartKind kind, bool cumulative);
    void setModel(const std::string& pairText, charts::ChartKind kind, bool cumulative,
                  const charts::ChartModel& model);
    // Serves `body` as is (status 200) in place of the picture.
    void setBody(const std::string& pairText, charts::ChartKind kind, bool cumulative, const std::string& body);
    // Serves a fault in place of the picture.
    void setFault(const std::string& pairText, charts::ChartKind kind, bool cumulative, charts::ChartFault fault);
    // Every chart as drawn again, no fault.
    void reset();
    // Called with every path requested, on a serving thread.
    std::function<void(const std::string& path)> onRequest;

    // File names requested so far, in arrival order.
    std::vector<std::string> requests() const;

    static std::string fileName(const std::string& pairText, charts::ChartKind kind, bool cumulative);

private:
    struct Replacement {
        std::optional<charts::ChartModel> model;
        std::string body;
        charts::ChartFault fault = charts::ChartFault::None;
    };
    std::optional<std::string> replacedBody(const charts::ChartFile& file) const;

    mutable std::mutex mutex_;
    std::map<std::string, Replacement> replaced_;  // by file name
    std::vector<std::string> requests_;
    std::unique_ptr<charts::ChartServer> server_;
};

// The 720 lines the pass must write for a pair, CR LF after each, computed
// from the two models as the indicator reader reads the pictures.
std::string ExpectedDataText(const charts::ChartModel& orders, const charts::ChartModel& positions);

}  // namespace tivka::test
