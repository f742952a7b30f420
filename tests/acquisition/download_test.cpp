#include "acquisition/download.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "acquisition/loopback_server.h"
#include "support/test_support.h"

namespace tivka {
namespace {

// A loopback port on which nothing listens: bound, then closed.
int deadPort()
{
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    ::bind(s, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(s);
    return ntohs(address.sin_port);
}

std::string allByteValues()
{
    std::string body;
    for (int i = 0; i < 512; ++i)
        body += char(i % 256);
    return body;
}

class DownloadTest : public ::testing::Test {
protected:
    std::string file(const std::string& name) const { return (dir / name).string(); }

    test::TempDir dir;
    test::LoopbackServer http;
};

TEST_F(DownloadTest, SendsAgentAndNoCacheHeadersAndSavesTheBody)
{
    std::string agent, pragma, cacheControl;
    http.server.Get("/chart.png", [&](const httplib::Request& request, httplib::Response& response) {
        agent = request.get_header_value("User-Agent");
        pragma = request.get_header_value("Pragma");
        cacheControl = request.get_header_value("Cache-Control");
        response.set_content(allByteValues(), "image/png");
    });
    DownloadLimits limits;
    limits.userAgent = "tivka-test";
    EXPECT_TRUE(DownloadFile(http.url("/chart.png"), file("pn_GBPUSD.png"), limits).opened);
    EXPECT_EQ(test::readFile(file("pn_GBPUSD.png")), allByteValues());
    EXPECT_EQ(agent, "tivka-test");
    EXPECT_EQ(pragma, "no-cache");
    EXPECT_EQ(cacheControl, "no-cache");
}

TEST_F(DownloadTest, ErrorPagesAndEmptyBodiesAreSavedExactly)
{
    http.server.Get("/missing.png", [](const httplib::Request&, httplib::Response& response) {
        response.status = 404;
        response.set_content(allByteValues(), "text/html");
    });
    http.server.Get("/empty.png", [](const httplib::Request&, httplib::Response& response) {
        response.status = 502;  // what a proxy answers for a server it cannot reach
        response.set_content("", "text/html");
    });
    test::writeFile(file("on_GBPUSD.png"), "an older chart that must be replaced");
    const DownloadOutcome missing = DownloadFile(http.url("/missing.png"), file("on_GBPUSD.png"));
    EXPECT_TRUE(missing.opened);
    EXPECT_FALSE(missing.fetched());
    EXPECT_EQ(DescribeFailure(missing, "http://x/y.png"), "Сервер ответил 404 Not Found: http://x/y.png");
    EXPECT_EQ(test::readFile(file("on_GBPUSD.png")), allByteValues());
    const DownloadOutcome proxy = DownloadFile(http.url("/empty.png"), file("empty.png"));
    EXPECT_TRUE(proxy.opened);
    EXPECT_EQ(DescribeFailure(proxy, "u"), "Сервер ответил 502 Bad Gateway: u");
    ASSERT_TRUE(std::filesystem::exists(file("empty.png")));
    EXPECT_EQ(std::filesystem::file_size(file("empty.png")), 0u);
}

TEST_F(DownloadTest, RedirectsAreFollowedButALoopIsAFailure)
{
    http.server.Get("/old.png", [](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("/new.png");
        response.set_content("redirect page, not the chart", "text/html");
    });
    http.server.Get("/new.png", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("the chart", "image/png");
    });
    http.server.Get("/loop.png", [](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("/loop.png");
    });
    EXPECT_TRUE(DownloadFile(http.url("/old.png"), file("a.png")).opened);
    EXPECT_EQ(test::readFile(file("a.png")), "the chart");
    const DownloadOutcome loop = DownloadFile(http.url("/loop.png"), file("b.png"));
    EXPECT_FALSE(loop.opened);
    EXPECT_EQ(DescribeFailure(loop, "u"), "Сервер недоступен: u (Number of redirects hit maximum amount)");
    EXPECT_FALSE(std::filesystem::exists(file("b.png")));
}

TEST_F(DownloadTest, RefusedConnectionCreatesNoFileAndLeavesAnOldOneAlone)
{
    std::string address = "http://127.0.0.1:" + std::to_string(deadPort()) + "/chart.png";
    const DownloadOutcome refused = DownloadFile(address, file("pn_GBPUSD.png"));
    EXPECT_FALSE(refused.opened);
    EXPECT_THAT(DescribeFailure(refused, address), ::testing::StartsWith("Сервер недоступен: " + address + " ("));
    EXPECT_FALSE(std::filesystem::exists(file("pn_GBPUSD.png")));
    test::writeFile(file("on_GBPUSD.png"), "stale");
    EXPECT_FALSE(DownloadFile(address, file("on_GBPUSD.png")).opened);
    EXPECT_EQ(test::readFile(file("on_GBPUSD.png")), "stale");
}

TEST_F(DownloadTest, TransferCutShortKeepsThePartialBody)
{
    http.server.Get("/cut.png", [](const httplib::Request&, httplib::Response& response) {
        response.set_content_provider(1000, "image/png", [](std::size_t offset, std::size_t, httplib::DataSink& sink) {
            if (offset > 0)
                return false;  // closes the connection 700 bytes early
            sink.write(std::string(300, 'x').data(), 300);
            return true;
        });
    });
    EXPECT_TRUE(DownloadFile(http.url("/cut.png"), file("cut.png")).opened);
    EXPECT_EQ(test::readFile(file("cut.png")), std::string(300, 'x'));
}

// A server that stops sending is given up after the stall time: after the
// headers that is a chart cut short, before them the address never opened.
TEST_F(DownloadTest, StalledServerIsGivenUp)
{
    http.server.Get("/stall-body.png", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content_provider(1000, "image/png", [&](std::size_t, std::size_t, httplib::DataSink& sink) {
            sink.write("12345", 5);
            http.holdUntilReleased();
            return false;
        });
    });
    http.server.Get("/stall-head.png", [&](const httplib::Request&, httplib::Response& response) {
        http.holdUntilReleased();
        response.set_content("late", "image/png");
    });
    DownloadLimits limits;
    limits.stallSeconds = 1;
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(DownloadFile(http.url("/stall-body.png"), file("body.png"), limits).opened);
    EXPECT_EQ(test::readFile(file("body.png")), "12345");
    EXPECT_FALSE(DownloadFile(http.url("/stall-head.png"), file("head.png"), limits).opened);
    EXPECT_FALSE(std::filesystem::exists(file("head.png")));
    // Each gives up about a second after the last byte, not seconds later.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(DownloadTest, SeveralDownloadsKeepJobOrderAndTheConcurrencyLimit)
{
    std::mutex mutex;
    int inFlight = 0;
    int mostInFlight = 0;
    http.server.Get(R"(/chart(\d+)\.png)", [&](const httplib::Request& request, httplib::Response& response) {
        {
            std::lock_guard lock(mutex);
            mostInFlight = std::max(mostInFlight, ++inFlight);
        }
        // Hold each request briefly so that transfers overlap.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        {
            std::lock_guard lock(mutex);
            --inFlight;
        }
        response.set_content("chart " + request.matches[1].str(), "image/png");
    });
    std::vector<DownloadJob> jobs;
    for (int i = 0; i < 8; ++i)
        jobs.push_back({http.url("/chart" + std::to_string(i) + ".png"), file("c" + std::to_string(i) + ".png")});
    jobs[5].url = "http://127.0.0.1:" + std::to_string(deadPort()) + "/chart5.png";
    std::vector<std::size_t> finished;
    std::vector<DownloadOutcome> results =
        DownloadFiles(jobs, {}, 3, nullptr, [&](std::size_t job) { finished.push_back(job); });
    ASSERT_EQ(results.size(), jobs.size());
    EXPECT_EQ(finished.size(), jobs.size());
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(results[std::size_t(i)].fetched(), i != 5) << i;
        if (i != 5) {
            EXPECT_EQ(test::readFile(jobs[std::size_t(i)].fileName), "chart " + std::to_string(i));
        }
    }
    EXPECT_FALSE(std::filesystem::exists(jobs[5].fileName));
    EXPECT_LE(mostInFlight, 3);
    EXPECT_GE(mostInFlight, 2);
    EXPECT_TRUE(DownloadFiles({}, {}, 3).empty());
}

// Cancelling ends stalled transfers at once, whether they are waiting for
// headers or for the rest of a body, and refuses transfers not yet started.
TEST_F(DownloadTest, CancelEndsEveryTransferAtOnce)
{
    http.server.Get("/stall.png", [&](const httplib::Request&, httplib::Response& response) {
        http.holdUntilReleased();
        response.set_content("late", "image/png");
    });
    std::atomic<bool> cancel{false};
    std::vector<DownloadJob> jobs;
    for (int i = 0; i < 4; ++i)
        jobs.push_back({http.url("/stall.png"), file("s" + std::to_string(i) + ".png")});
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cancel = true;
    });
    const std::vector<DownloadOutcome> results = DownloadFiles(jobs, {}, 2, &cancel);
    canceller.join();
    for (const DownloadOutcome& outcome : results) {
        EXPECT_TRUE(outcome.cancelled);
        EXPECT_FALSE(outcome.fetched());
    }
    EXPECT_EQ(DescribeFailure(results[0], "u"), "Загрузка отменена: u");
    EXPECT_TRUE(DownloadFile(http.url("/stall.png"), file("x.png"), {}, &cancel).cancelled);
}

}  // namespace
}  // namespace tivka
