#include "acquisition/download.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <mutex>

#include "acquisition/loopback_server.h"
#include "acquisition/pair_fetch.h"
#include "shell/failure_text.h"
#include "support/test_support.h"

namespace tivka {
namespace {

namespace fs = std::filesystem;
using test::Handler;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using namespace std::chrono_literals;

enum class End { done, close, hold };

class DownloadTest : public ::testing::Test {
protected:
    std::string file(const std::string& name) const { return (dir / name).string(); }

    // A body of `total` bytes of `fill` in pieces of `piece` bytes, one every
    // `pause`, generated as sent (the test never holds it); then the body is
    // done, or the connection closed, or held open and silent.
    Handler pieces(std::size_t total, std::size_t piece, char fill, std::chrono::milliseconds pause,
                   End end = End::done, std::atomic<std::size_t>* sent = nullptr)
    {
        return [=, this](const httplib::Request&, httplib::Response& response) {
            response.set_chunked_content_provider("image/png", [=, this](std::size_t offset, httplib::DataSink& sink) {
                std::this_thread::sleep_for(pause);
                if (offset >= total && end == End::hold)
                    http.holdUntilReleased();
                if (offset >= total)
                    return end == End::done && (sink.done(), true);
                const std::string bytes(std::min(piece, total - offset), fill);
                if (sent)
                    *sent = offset + bytes.size();
                return sink.write(bytes.data(), bytes.size());
            });
        };
    }

    test::TempDir dir;
    test::LoopbackServer http;
};

// What every kind of answer leaves: whether the address opened, the file (each
// held an older one before), and what the user is told. Four at a time, as the
// indicator pass runs them.
TEST_F(DownloadTest, EveryKindOfAnswerLeavesItsFileAndItsMessage)
{
    struct Case {
        const char* path;
        Handler handler;  // none: the address refuses the connection
        bool opened;
        // Patterns GoogleTest's simple expressions (its only ones on Windows)
        // read as well: no [A-Z], no {300}.
        std::string file;     // a pattern for the file's content
        std::string failure;  // a pattern for what the user is told, "" for a chart fetched
    };
    const auto hold = [this](const httplib::Request&, httplib::Response&) { http.holdUntilReleased(); };
    const std::string unreachable = "Сервер недоступен: http://x/y.png \\(";
    const Case cases[] = {
        // Every cache on the way is told to ask the broker.
        {"/fresh.png", [](const httplib::Request& q, httplib::Response& r) {
             r.set_content(q.get_header_value("Pragma") + " " + q.get_header_value("Cache-Control") + " " +
                               q.get_header_value("User-Agent"), "image/png");
         }, true, "no-cache no-cache tivka-test", ""},
        {"/missing.png", test::answer(404, "<html>gone</html>"), true, "<html>gone</html>",
         "Сервер ответил 404 Not Found: http://x/y.png"},
        // What a proxy answers for a server it cannot reach.
        {"/proxy.png", test::answer(502, ""), true, "", "Сервер ответил 502 Bad Gateway: http://x/y.png"},
        {"/old.png", [](auto&, auto& r) { r.set_redirect("/new.png"); r.set_content("a page", "text/html"); },
         true, "the chart", ""},
        {"/new.png", test::answer(200, "the chart"), true, "the chart", ""},
        {"/loop.png", [](auto&, auto& r) { r.set_redirect("/loop.png"); }, false,
         "old", (unreachable + "Number of redirects hit maximum amount\\)")},
        {"/refused.png", nullptr, false, "old", (unreachable + "\\w.*\\)")},
        {"/cut.png", pieces(300, 300, 'x', 0ms, End::close), true, std::string(300, 'x'), ""},
        // Accepts and never answers: nothing opened, within the stall time.
        {"/silent.png", hold, false, "old", (unreachable + "less than 1024 bytes in 1 s\\)")},
        // A byte every tenth of a second is never a second's silence, yet far
        // less than a window must bring.
        {"/drip.png", pieces(1000, 1, 'd', 100ms), true, "d+", ""},
        // Fast enough for every window, but endless: the overall bound ends it.
        {"/endless.png", pieces(SIZE_MAX, 4096, 'e', 50ms), true, "e+", ""},
    };
    std::vector<DownloadJob> jobs;
    for (const Case& c : cases) {
        if (c.handler)
            http.server.Get(c.path, c.handler);
        // Nothing listens on port 1 of the loopback interface.
        jobs.push_back({c.handler ? http.url(c.path) : "http://127.0.0.1:1/chart.png", file(c.path + 1)});
        test::writeFile(jobs.back().fileName, "old");
    }
    // Connect, stall window, its bytes, the whole transfer, the body cap, the agent.
    const DownloadLimits limits{30, 1, 1024, 3, 32 << 20, "tivka-test"};
    const auto start = std::chrono::steady_clock::now();
    const std::vector<DownloadOutcome> outcomes = DownloadFiles(jobs, limits, 4);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8)) << "a transfer was not given up";
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        EXPECT_EQ(outcomes[i].opened, cases[i].opened) << cases[i].path;
        const std::string told =
            outcomes[i].fetched() ? "" : FailureText(DownloadFailure("", ChartKind::Orders, {"http://x/y.png", ""}, outcomes[i]));
        EXPECT_THAT(told, MatchesRegex(cases[i].failure)) << cases[i].path;
        EXPECT_THAT(test::readFile(jobs[i].fileName), MatchesRegex(cases[i].file)) << cases[i].path;
    }
    EXPECT_THAT(outcomes[9].error, HasSubstr("less than 1024 bytes in 1 s")) << "the drip was not given up";
    EXPECT_THAT(outcomes[10].error, HasSubstr("Timeout")) << "the endless body outlived the overall bound";
}

// Silent after the headers: a chart cut short, what came kept.
TEST_F(DownloadTest, SilenceAfterTheHeadersKeepsWhatCame)
{
    http.server.Get("/stall-body.png", pieces(5, 5, 's', 0ms, End::hold));
    const DownloadOutcome outcome = DownloadFile(http.url("/stall-body.png"), file("s.png"), {30, 1, 1024, 3});
    EXPECT_TRUE(outcome.fetched());
    EXPECT_EQ(outcome.error, "less than 1024 bytes in 1 s");
    EXPECT_EQ(test::readFile(file("s.png")), "sssss");
}

// The body is cut at the cap, the transfer stops there and says so, and
// nothing else is touched.
TEST_F(DownloadTest, OneGibibyteBodyIsCutAtTheCap)
{
    std::atomic<std::size_t> sent{0};
    http.server.Get("/huge.png", pieces(std::size_t(1) << 30, 1 << 16, 'z', 0ms, End::done, &sent));
    http.server.Get("/bytes.png", pieces(8, 1, 'b', 0ms));  // a chunk, so a call, for every byte
    test::writeFile(file("pn_GBPUSD.png"), "the positions chart");
    EXPECT_TRUE(DownloadFile(http.url("/huge.png"), file("on_GBPUSD.png")).opened);
    EXPECT_EQ(test::readFile(file("on_GBPUSD.png")), std::string(32 << 20, 'z'));
    EXPECT_LT(sent.load(), 64u << 20) << "the server was not stopped at the cap";
    EXPECT_EQ(test::readFile(file("pn_GBPUSD.png")), "the positions chart");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
    DownloadLimits limits;
    limits.maxBodyBytes = 4;
    const DownloadOutcome bytes = DownloadFile(http.url("/bytes.png"), file("b.png"), limits);
    EXPECT_EQ(test::readFile(file("b.png")), "bbbb");
    EXPECT_NE(bytes.error, "") << "a body cut at the cap is a transfer ended early";
}

TEST_F(DownloadTest, SeveralDownloadsKeepJobOrderAndTheConcurrencyLimit)
{
    std::mutex mutex;
    int inFlight = 0, mostInFlight = 0;
    http.server.Get(R"(/chart(\d+)\.png)", [&](const httplib::Request& request, httplib::Response& response) {
        {
            std::lock_guard lock(mutex);
            mostInFlight = std::max(mostInFlight, ++inFlight);
        }
        std::this_thread::sleep_for(100ms);  // so that transfers overlap
        std::lock_guard lock(mutex);
        --inFlight;
        response.set_content("chart " + request.matches[1].str(), "image/png");
    });
    for (const auto& [limit, leastSeen] : {std::pair{1, 1}, {3, 2}}) {
        mostInFlight = 0;
        std::vector<DownloadJob> jobs;
        for (int i = 0; i < 5; ++i)
            jobs.push_back({http.url("/chart" + std::to_string(i) + ".png"), file("c" + std::to_string(i) + ".png")});
        std::size_t finished = 0;
        DownloadFiles(jobs, {}, limit, nullptr, [&](std::size_t) { ++finished; });
        EXPECT_EQ(finished, jobs.size());
        for (std::size_t i = 0; i < jobs.size(); ++i)
            EXPECT_EQ(test::readFile(jobs[i].fileName), "chart " + std::to_string(i));
        EXPECT_LE(mostInFlight, limit);
        EXPECT_GE(mostInFlight, leastSeen);
    }
    EXPECT_TRUE(DownloadFiles({}, {}, 3).empty());
}

// Cancelling ends the transfers waiting on a server at once and refuses those
// not yet started.
TEST_F(DownloadTest, CancelEndsEveryTransferAtOnce)
{
    http.server.Get("/stall.png", [&](const httplib::Request&, httplib::Response&) { http.holdUntilReleased(); });
    std::atomic<bool> cancel{false};
    const std::vector<DownloadJob> jobs(4, {http.url("/stall.png"), file("s.png")});
    std::thread canceller([&] { std::this_thread::sleep_for(200ms); cancel = true; });
    const std::vector<DownloadOutcome> results = DownloadFiles(jobs, {}, 2, &cancel);
    canceller.join();
    for (const DownloadOutcome& outcome : results)
        EXPECT_TRUE(outcome.cancelled && !outcome.fetched());
    EXPECT_TRUE(DownloadFile(http.url("/stall.png"), file("x.png"), {}, &cancel).cancelled);
}

}  // namespace
}  // namespace tivka
