#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "chart_server/chart_renderer.h"

namespace httplib {
class Server;
}

namespace tivka::test {

// A chart server on loopback for the indicator pass tests: serves every chart
// of the ten pairs rendered from a known ChartModel, so that the tests can
// compute what the pass must write from the model alone.
class ChartService {
public:
    ChartService();
    ~ChartService();
    ChartService(const ChartService&) = delete;
    ChartService& operator=(const ChartService&) = delete;

    // ChartURL of the service, ending in "/".
    std::string chartUrl() const;

    // The model served for a chart (made on first use, deterministic).
    charts::ChartModel model(const std::string& pairText, charts::ChartKind kind, bool cumulative);
    void setModel(const std::string& pairText, charts::ChartKind kind, bool cumulative,
                  const charts::ChartModel& model);
    // Serves `body` as is (status 200) in place of the picture.
    void setBody(const std::string& pairText, charts::ChartKind kind, bool cumulative, const std::string& body);

    // File names requested so far, in arrival order.
    std::vector<std::string> requests() const;

    static std::string fileName(const std::string& pairText, charts::ChartKind kind, bool cumulative);

private:
    struct Chart {
        charts::ChartModel model;
        std::string body;
    };
    Chart& chartLocked(const std::string& file);

    mutable std::mutex mutex_;
    std::map<std::string, Chart> charts_;
    std::vector<std::string> requests_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
};

// The 720 lines the pass must write for a pair, CR LF after each, computed
// from the two models as the indicator reader reads the pictures.
std::string ExpectedDataText(const charts::ChartModel& orders, const charts::ChartModel& positions);

}  // namespace tivka::test
