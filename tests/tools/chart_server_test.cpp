#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "acquisition/download.h"
#include "chart/png_codec.h"
#include "chart_server/chart_server.h"
#include "support/test_support.h"

namespace tivka::charts {
namespace {

std::string chartPath(const std::string& name) { return std::string(kChartFolder) + name; }

const std::vector<std::string> kFileForms = {"orders_", "orders_noncumulative_", "posentryprice_",
                                             "posentryprice_noncumulative_"};

// A started in-process server on a free loopback port.
struct RunningServer {
    explicit RunningServer(ChartServerOptions options) : server(with(std::move(options))) { server.start(); }
    static ChartServerOptions with(ChartServerOptions o)
    {
        o.port = 0;
        if (o.fixedTime.empty())
            o.fixedTime = "12:30";
        return o;
    }
    httplib::Client client(int timeoutSeconds = 5) const
    {
        httplib::Client c("127.0.0.1", server.port());
        c.set_read_timeout(timeoutSeconds, 0);
        c.set_connection_timeout(timeoutSeconds, 0);
        return c;
    }
    ChartServer server;
};

TEST(ChartFileName, AcceptsOnlyTheServedChartFiles)
{
    struct Case {
        const char* name;
        bool valid;
        ChartKind kind;
        bool cumulative;
    };
    const Case cases[] = {
        {"orders_GBP_USD.png", true, ChartKind::Orders, true},
        {"orders_noncumulative_USD_JPY.png", true, ChartKind::Orders, false},
        {"posentryprice_EUR_CHF.png", true, ChartKind::Positions, true},
        {"posentryprice_noncumulative_GBP_JPY.png", true, ChartKind::Positions, false},
        {"orders_gbp_usd.png", false, {}, {}},
        {"orders_XAU_USD.png", false, {}, {}},
        {"orders_GBP_USD.PNG", false, {}, {}},
        {"orders_GBP_USD", false, {}, {}},
        {"orders_cumulative_GBP_USD.png", false, {}, {}},
        {"GBP_USD.png", false, {}, {}},
        {"", false, {}, {}},
    };
    for (const Case& c : cases) {
        const auto file = ParseChartFileName(c.name);
        ASSERT_EQ(file.has_value(), c.valid) << c.name;
        if (file) {
            EXPECT_EQ(file->kind, c.kind) << c.name;
            EXPECT_EQ(file->cumulative, c.cumulative) << c.name;
        }
    }
}

TEST(ChartServer, ServesEveryChartOfTheTenPairsAsPng)
{
    RunningServer running({});
    auto client = running.client();
    for (const std::string& pair : kServedPairs)
        for (const std::string& form : kFileForms) {
            const std::string name = form + pair + ".png";
            const auto reply = client.Get(chartPath(name).c_str());
            ASSERT_TRUE(reply) << name;
            ASSERT_EQ(reply->status, 200) << name;
            EXPECT_EQ(reply->get_header_value("Content-Type"), "image/png");
            const Bitmap picture =
                DecodePng(std::vector<std::uint8_t>(reply->body.begin(), reply->body.end()), name);
            EXPECT_EQ(picture.width(), kChartWidth);
            EXPECT_EQ(picture.height(), kChartHeight);
            EXPECT_EQ(picture, ChartPicture(*ParseChartFileName(name), 1, "12:30")) << name;
        }
}

TEST(ChartServer, AnswersOtherAddressesWith404Page)
{
    RunningServer running({});
    auto client = running.client();
    for (const std::string& path : {chartPath("orders_XAU_USD.png"), chartPath("index.html"), std::string("/"),
                                   std::string("/orders_GBP_USD.png"), chartPath("orders_GBP_USD.png.bak")}) {
        const auto reply = client.Get(path.c_str());
        ASSERT_TRUE(reply) << path;
        EXPECT_EQ(reply->status, 404) << path;
        EXPECT_NE(reply->body.find("<html>"), std::string::npos) << path;
    }
}

TEST(ChartServer, NotFoundOptionHidesOnePair)
{
    for (const char* spelling : {"EUR_USD", "EUR/USD", "eurusd"}) {
        ChartServerOptions options;
        options.notFoundPair = spelling;
        RunningServer running(options);
        auto client = running.client();
        EXPECT_EQ(client.Get(chartPath("orders_EUR_USD.png").c_str())->status, 404) << spelling;
        EXPECT_EQ(client.Get(chartPath("posentryprice_noncumulative_EUR_USD.png").c_str())->status, 404);
        EXPECT_EQ(client.Get(chartPath("orders_GBP_USD.png").c_str())->status, 200);
    }
}

TEST(ChartServer, NotPngOptionSendsHtmlWithStatus200)
{
    ChartServerOptions options;
    options.notPng = true;
    RunningServer running(options);
    const auto reply = running.client().Get(chartPath("orders_GBP_USD.png").c_str());
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    const std::vector<std::uint8_t> body(reply->body.begin(), reply->body.end());
    EXPECT_THROW(DecodePng(body, "orders_GBP_USD.png"), std::runtime_error);
}

TEST(ChartServer, TruncateOptionSendsHalfThePictureThenCloses)
{
    ChartServerOptions options;
    options.truncate = true;
    RunningServer running(options);
    test::TempDir dir;
    const std::string url = "http://127.0.0.1:" + std::to_string(running.server.port()) + chartPath("orders_USD_JPY.png");
    ASSERT_TRUE(DownloadFile(url, (dir / "cut.png").string()).opened);  // a transfer cut short
    const std::size_t full = EncodePng(ChartPicture(*ParseChartFileName("orders_USD_JPY.png"), 1, "12:30")).size();
    EXPECT_EQ(std::filesystem::file_size(dir / "cut.png"), full / 2);
    EXPECT_FALSE(running.client().Get(chartPath("orders_USD_JPY.png").c_str()));
}

TEST(ChartServer, StallOptionAnswersNothingUntilStopped)
{
    ChartServerOptions options;
    options.stall = true;
    RunningServer running(options);
    const auto reply = running.client(1).Get(chartPath("orders_GBP_USD.png").c_str());
    ASSERT_FALSE(reply);
    EXPECT_EQ(reply.error(), httplib::Error::Read);
    running.server.stop();  // must not hang on the stalled connection
}

TEST(ChartServer, DelayOptionStillAnswers)
{
    ChartServerOptions options;
    options.delayMs = 200;
    RunningServer running(options);
    const auto before = std::chrono::steady_clock::now();
    const auto reply = running.client().Get(chartPath("orders_GBP_USD.png").c_str());
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(200));
}

TEST(ChartServer, ReportsRequestsAndServesReplacementBodies)
{
    std::mutex mutex;
    std::vector<std::string> paths;
    ChartServerOptions options;
    options.onRequest = [&](const std::string& path) {
        std::lock_guard lock(mutex);
        paths.push_back(path);
    };
    options.chartBody = [](const ChartFile& file) -> std::optional<std::string> {
        if (file.pair == "EUR_USD" && !file.cumulative)
            return "replaced " + file.pair;
        return std::nullopt;
    };
    options.font = ChartFont::Round;
    RunningServer running(options);
    auto client = running.client();
    const auto replaced = client.Get(chartPath("orders_noncumulative_EUR_USD.png").c_str());
    ASSERT_TRUE(replaced);
    EXPECT_EQ(replaced->status, 200);
    EXPECT_EQ(replaced->body, "replaced EUR_USD");
    const auto drawn = client.Get(chartPath("orders_EUR_USD.png").c_str());
    ASSERT_TRUE(drawn);
    const std::vector<std::uint8_t> body(drawn->body.begin(), drawn->body.end());
    EXPECT_EQ(DecodePng(body, "orders_EUR_USD.png"),
              ChartPicture(*ParseChartFileName("orders_EUR_USD.png"), 1, "12:30", ChartFont::Round));
    EXPECT_EQ(client.Get("/missing")->status, 404);
    std::lock_guard lock(mutex);
    EXPECT_EQ(paths, (std::vector<std::string>{chartPath("orders_noncumulative_EUR_USD.png"),
                                               chartPath("orders_EUR_USD.png"), "/missing"}));
}

TEST(ChartServer, PictureIsTheFilesModelDrawnAndDependsOnSeedTimeAndFile)
{
    for (const char* name : {"orders_GBP_USD.png", "posentryprice_noncumulative_USD_JPY.png"}) {
        const ChartFile file = *ParseChartFileName(name);
        const ChartModel model = ChartModelFor(file, 3, "08:05");
        EXPECT_EQ(RenderChart(model), ChartPicture(file, 3, "08:05")) << name;
        EXPECT_EQ(model.timeText, "08:05");
        EXPECT_EQ(model.kind, file.kind);
    }
    const ChartFile gbp = *ParseChartFileName("orders_GBP_USD.png");
    EXPECT_EQ(ChartPicture(gbp, 5, "10:00"), ChartPicture(gbp, 5, "10:00"));
    EXPECT_NE(ChartPicture(gbp, 5, "10:00"), ChartPicture(gbp, 6, "10:00"));
    EXPECT_NE(ChartPicture(gbp, 5, "10:00"), ChartPicture(gbp, 5, "10:01"));
    EXPECT_NE(ChartPicture(gbp, 5, "10:00"), ChartPicture(*ParseChartFileName("posentryprice_GBP_USD.png"), 5, "10:00"));
    // The font changes the texts' pixels and nothing else.
    ChartModel round = ChartModelFor(gbp, 5, "10:00", ChartFont::Round);
    EXPECT_NE(RenderChart(round), ChartPicture(gbp, 5, "10:00"));
    round.font = ChartFont::Block;
    EXPECT_EQ(RenderChart(round), ChartPicture(gbp, 5, "10:00"));
}

// The accept queue length of the loopback TCP listener on `port`, as the
// kernel reports it for listening sockets; -1 when no such listener is found.
int listenBacklog(int port)
{
    const int fd = socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (fd < 0)
        return -1;
    struct {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } query{};
    query.header.nlmsg_len = sizeof query;
    query.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    query.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    query.request.sdiag_family = AF_INET;
    query.request.sdiag_protocol = IPPROTO_TCP;
    query.request.idiag_states = 1u << TCP_LISTEN;
    int backlog = -1;
    if (send(fd, &query, sizeof query, 0) == ssize_t(sizeof query)) {
        alignas(nlmsghdr) char buffer[16384];
        for (bool done = false; !done;) {
            ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            for (auto* h = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(h, n); h = NLMSG_NEXT(h, n)) {
                if (h->nlmsg_type == NLMSG_DONE || h->nlmsg_type == NLMSG_ERROR) {
                    done = true;
                    break;
                }
                const auto* socketInfo = static_cast<const inet_diag_msg*>(NLMSG_DATA(h));
                if (ntohs(socketInfo->id.idiag_sport) == port)
                    backlog = int(socketInfo->idiag_wqueue);  // a listener's maximum queue
            }
        }
    }
    close(fd);
    return backlog;
}

// Parallel downloads open a burst of connections at once; a short accept
// queue drops some and their retry comes a second later.
TEST(ChartServer, QueuesABurstOfConnections)
{
    RunningServer running({});
    const int backlog = listenBacklog(running.server.port());
    ASSERT_NE(backlog, -1) << "the listener was not found";
    EXPECT_GE(backlog, 64);
}

TEST(ChartServer, RefusesAnAddressItCannotBind)
{
    ChartServerOptions options;
    RunningServer first(options);
    ChartServerOptions clash;
    clash.port = first.server.port();
    ChartServer second(clash);
    EXPECT_THROW(second.start(), std::runtime_error);
}

}  // namespace
}  // namespace tivka::charts
