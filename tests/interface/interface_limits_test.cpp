// The local JSON interface against requests it must refuse and loads it must
// bear, over HTTP on loopback: every bad request gets its status and a JSON
// error, and the interface answers the next request as before.
#include <gtest/gtest.h>

#include <latch>
#include <memory>
#include <thread>

#include <nlohmann/json.hpp>

#include "interface/http_exchange.h"
#include "interface/served_feed.h"

namespace tivka::test {
namespace {

constexpr const char* kLatest = "/v1/readings/latest?pair=GBP/USD&kind=orders";

class InterfaceLimits : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        feed = new ServedFeed({"GBP/USD"}, "");
        feed->pass("12:30", 1796646600);
    }
    static void TearDownTestSuite() { delete feed; }

    // The interface answers as before.
    static void expectServing()
    {
        EXPECT_EQ(Get(feed->port(), "/v1/health").status, 200);
        const HttpAnswer latest = Get(feed->port(), kLatest);
        EXPECT_EQ(latest.status, 200);
        EXPECT_EQ(nlohmann::json::parse(latest.body).at("pair"), "GBP/USD");
    }

    static ServedFeed* feed;
};
ServedFeed* InterfaceLimits::feed = nullptr;

// The {"error": ...} document of an answer; empty when it is none.
std::string errorOf(const HttpAnswer& answer)
{
    const auto doc = nlohmann::json::parse(answer.body, nullptr, false);
    return doc.is_object() && doc.contains("error") ? doc["error"].get<std::string>() : "";
}

TEST_F(InterfaceLimits, BadRequestsGetTheirStatusAndAJsonErrorSayingWhatIsWrong)
{
    const struct {
        const char* method;
        std::string target;
        int status;
        const char* error;
    } cases[] = {
        {"GET", "/v1/readings/latest?pair=XAU/USD&kind=orders", 400, "unknown pair 'XAU/USD'"},
        {"GET", "/v1/readings/latest?pair=../../etc&kind=orders", 400, "unknown pair '../../etc'"},
        {"GET", "/v1/readings/latest?kind=orders", 400, "pair is missing"},
        {"GET", "/v1/readings/latest?pair=GBP/USD&kind=bids", 400, "unknown kind 'bids'"},
        {"GET", "/v1/readings/latest?pair=GBP/USD", 400, "kind is missing"},
        {"GET", "/v1/readings/latest?pair=GBP/USD&kind=orders&variant=both", 400, "unknown variant 'both'"},
        {"GET", "/v1/history?pair=GBP/USD&from=2026-13-01", 400, "from '2026-13-01' is not a UTC time"},
        {"GET", "/v1/history?pair=GBP/USD&from=2026-02-30", 400, "from '2026-02-30' is not a UTC time"},
        {"GET", "/v1/history?pair=GBP/USD&to=yesterday", 400, "to 'yesterday' is not a UTC time"},
        {"GET", "/v1/history?pair=GBP/USD&kind=bids", 400, "unknown kind 'bids'"},
        {"GET", "/v1/history?pair=XAU/USD", 400, "unknown pair 'XAU/USD'"},
        {"GET", "/v1/readings/latest?pair=EUR/USD&kind=orders", 404, "no reading of EUR/USD orders yet"},
        {"GET", "/v1/readings/latest?pair=GBP/USD&kind=orders&variant=cumulative", 404, "no reading of GBP/USD"},
        {"GET", "/v2/pairs", 404, "no such path: /v2/pairs"},
        {"GET", "/v1/pairs/", 404, "no such path"},
        {"GET", "/", 404, "no such path"},
        {"POST", "/v1/pairs", 405, "only GET is answered"},
        {"PUT", kLatest, 405, "only GET is answered"},
        {"DELETE", "/v1/history?pair=GBP/USD", 405, "only GET is answered"},
        {"PATCH", "/v1/health", 405, "only GET is answered"},
        {"DELETE", "/v2/unknown", 405, "only GET is answered"},
        {"BREW", "/v1/pairs", 400, "bad request"},
        {"GET", "/v1/pairs?" + std::string(20000, 'q'), 414, "the request is too large"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.target.substr(0, 80));
        const HttpAnswer answer = Exchange(feed->port(), c.method, c.target);
        EXPECT_EQ(answer.status, c.status) << answer.raw.substr(0, 300);
        EXPECT_NE(answer.raw.find("Content-Type: application/json"), std::string::npos) << answer.raw.substr(0, 300);
        EXPECT_NE(errorOf(answer).find(c.error), std::string::npos) << answer.body;
    }
    expectServing();
}

TEST_F(InterfaceLimits, AMegabyteOfHeaderOrBodyIsRefusedAndTheNextRequestServed)
{
    const struct {
        const char* what;
        std::string request;
        std::vector<int> statuses;  // as the library refuses it
    } cases[] = {
        {"one header line", RequestText("GET", "/v1/pairs", "X-Padding: " + std::string(1 << 20, 'a') + "\r\n"),
         {400, 413, 431}},
        {"a thousand header lines", RequestText("GET", "/v1/pairs", [] {
             std::string lines;
             for (int i = 0; i < 1024; ++i)
                 lines += "X-Padding-" + std::to_string(i) + ": " + std::string(1000, 'b') + "\r\n";
             return lines;
         }()),
         {431}},
        {"a body", "GET /v1/pairs HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 1048576\r\nConnection: close\r\n\r\n" +
                       std::string(1 << 20, 'c'),
         {413}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HttpConnection connection(feed->port());
        ASSERT_TRUE(connection.connected());
        connection.send(c.request);  // the server may answer and close before taking it all
        const HttpAnswer answer = connection.receive();
        EXPECT_NE(std::find(c.statuses.begin(), c.statuses.end(), answer.status), c.statuses.end())
            << answer.raw.substr(0, 300);
        expectServing();
    }
}

// Two hundred clients at once, each asking once and keeping its connection
// for more unless the answer says it closes, as a client with a session does.
TEST_F(InterfaceLimits, TwoHundredConnectionsAtOnceAreAllAnsweredAndTheInterfaceServesOn)
{
    constexpr int kClients = 200;
    std::vector<HttpAnswer> answers(kClients);
    std::vector<std::unique_ptr<HttpConnection>> kept(kClients);
    std::latch ready(kClients);
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i)
        clients.emplace_back([&, i] {
            ready.arrive_and_wait();
            auto connection = std::make_unique<HttpConnection>(feed->port());
            if (connection->connected() && connection->send("GET " + std::string(kLatest) + " HTTP/1.1\r\nHost: x\r\n\r\n"))
                answers[std::size_t(i)] = connection->receive();
            if (answers[std::size_t(i)].raw.find("Connection: close") == std::string::npos)
                kept[std::size_t(i)] = std::move(connection);
        });
    for (std::thread& client : clients)
        client.join();
    int served = 0;
    int busy = 0;
    for (const HttpAnswer& answer : answers) {
        served += answer.status == 200;
        busy += answer.status == 503;
        if (answer.status == 503) {
            EXPECT_EQ(errorOf(answer), "too many connections at once; try again");
        }
    }
    EXPECT_EQ(served + busy, kClients) << "answered 200: " << served << ", 503: " << busy;
    EXPECT_GT(served, 0);
    kept.clear();
    expectServing();
}

TEST_F(InterfaceLimits, AClientGoneBeforeItsAnswerLeavesTheInterfaceServing)
{
    for (int i = 0; i < 20; ++i) {
        HttpConnection connection(feed->port());
        connection.send(RequestText("GET", "/v1/history?pair=GBP/USD"));
    }  // closed unread: the answer meets a reset connection
    expectServing();
}

TEST(InterfaceStart, APortInUseIsRefusedAndAnInterfaceStoppedAtOnceEnds)
{
    ManualClock clock;
    InterfaceHost first("", clock);
    ASSERT_TRUE(first.start("127.0.0.1:0").ok());
    InterfaceHost second("", clock);
    const Status taken = second.start("127.0.0.1:" + std::to_string(first.port()));
    EXPECT_EQ(taken.code(), Status::Code::IoError) << taken.text();
    EXPECT_EQ(Get(first.port(), "/v1/health").status, 200);

    // Started and stopped at once, as a feed whose settings are refused after
    // it began to listen: the stop is never lost (the test fails instead of
    // hanging when it is).
    const auto ended = RunInChild([] {
        for (int i = 0; i < 100; ++i) {
            JsonInterface idle(InterfaceSources{});
            if (!idle.start("127.0.0.1:0").ok())
                return std::string("not started");
        }
        return std::string("ended");
    });
    EXPECT_EQ(ended, "ended");

    const struct {
        const char* address;
        Status::Code code;
    } bad[] = {{"", Status::Code::Invalid}, {"http://x", Status::Code::Invalid}, {"70000", Status::Code::Invalid},
               {":80", Status::Code::Invalid}, {"192.0.2.1:0", Status::Code::IoError}};
    for (const auto& b : bad)
        EXPECT_EQ(JsonInterface(InterfaceSources{}).start(b.address).code(), b.code) << b.address;
}

}  // namespace
}  // namespace tivka::test
