#include "acquisition/display_charts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "acquisition/loopback_server.h"
#include "chart/png_codec.h"
#include "support/test_support.h"

namespace tivka {
namespace {

const std::string kUrl = "http://charts.test/images/";

// Serves file bodies by address; an address it does not know fails to open.
class FakeDownloader : public Downloader {
public:
    DownloadOutcome download(const std::string& url, const std::string& fileName) override
    {
        calls.push_back(url);
        DownloadOutcome outcome;
        auto found = bodies.find(url);
        if (found == bodies.end()) {
            outcome.error = "Couldn't connect to server";
            return outcome;
        }
        test::writeFile(fileName, found->second);
        outcome.opened = true;
        outcome.status = 200;
        return outcome;
    }
    std::vector<DownloadOutcome> downloadAll(const std::vector<DownloadJob>&,
                                             const std::function<void(std::size_t)>&) override
    {
        throw std::logic_error("the display fetch downloads one chart at a time");
    }

    std::map<std::string, std::string> bodies;
    std::vector<std::string> calls;
};

Bitmap pattern(int width, int height, int seed)
{
    Bitmap b(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.setPixel(x, y, rgb(std::uint8_t(x + seed), std::uint8_t(y * 3), std::uint8_t(seed)));
    return b;
}

std::string png(const Bitmap& b)
{
    std::vector<std::uint8_t> bytes = EncodePng(b);
    return std::string(bytes.begin(), bytes.end());
}

class DisplayChartsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::ScopedCurrentDir inDir{dir.path()};
    const Bitmap positions = pattern(500, 250, 1);
    const Bitmap orders = pattern(300, 120, 2);
    DisplayChartRequest request{kUrl, "GBP/USD", true, false};
    const std::string positionsUrl = kUrl + "posentryprice_noncumulative_GBP_USD.png";
    const std::string ordersUrl = kUrl + "orders_GBP_USD.png";
};

TEST_F(DisplayChartsTest, SuccessGivesTurnedViewsAndRemovesTheFiles)
{
    FakeDownloader fake;
    fake.bodies = {{positionsUrl, png(positions)}, {ordersUrl, png(orders)}};
    const DisplayFetch fetch = FetchDisplayCharts(request, fake);
    const std::optional<DisplayCharts>& result = fetch.charts;
    ASSERT_TRUE(result) << fetch.failure;
    EXPECT_EQ(fetch.failure, "");
    EXPECT_EQ(fake.calls, (std::vector<std::string>{positionsUrl, ordersUrl}));
    EXPECT_EQ(result->positions, positions);
    EXPECT_EQ(result->orders, orders);
    EXPECT_EQ(result->positionsView, turnQuarter(positions));
    EXPECT_EQ(result->ordersView, turnQuarter(orders));
    EXPECT_FALSE(std::filesystem::exists("pn_GBPUSD.png"));
    EXPECT_FALSE(std::filesystem::exists("oc_GBPUSD.png"));
}

TEST_F(DisplayChartsTest, OneFailedFetchStillFetchesTheOtherAndKeepsIt)
{
    FakeDownloader fake;
    fake.bodies = {{ordersUrl, png(orders)}};
    const DisplayFetch first = FetchDisplayCharts(request, fake);
    EXPECT_FALSE(first.charts);
    EXPECT_EQ(first.failure, "Ошибка при загрузке графиков!\nСервер недоступен: " + positionsUrl +
                                 " (Couldn't connect to server)");
    EXPECT_EQ(fake.calls, (std::vector<std::string>{positionsUrl, ordersUrl}));
    EXPECT_TRUE(std::filesystem::exists("oc_GBPUSD.png"));

    fake.bodies = {{positionsUrl, png(positions)}};
    EXPECT_FALSE(FetchDisplayCharts(request, fake).charts);
    EXPECT_TRUE(std::filesystem::exists("pn_GBPUSD.png"));
}

TEST_F(DisplayChartsTest, AnErrorPageIsAFailureNamingTheFileAndItsAddressAndKeepsBoth)
{
    FakeDownloader fake;
    fake.bodies = {{positionsUrl, png(positions)}, {ordersUrl, "<html>no such pair</html>"}};
    const DisplayFetch fetch = FetchDisplayCharts(request, fake);
    EXPECT_FALSE(fetch.charts);
    EXPECT_EQ(fetch.failure, "oc_GBPUSD.png from " + ordersUrl + ": not a PNG image (starts with '<html>no such pa')");
    EXPECT_TRUE(std::filesystem::exists("oc_GBPUSD.png"));
    EXPECT_TRUE(std::filesystem::exists("pn_GBPUSD.png"));
}

TEST_F(DisplayChartsTest, FetchesOverHttp)
{
    test::LoopbackServer http;
    std::string positionsBody = png(positions);
    std::string ordersBody = png(orders);
    http.server.Get("/images/posentryprice_noncumulative_GBP_USD.png",
                    [&](const httplib::Request&, httplib::Response& r) { r.set_content(positionsBody, "image/png"); });
    http.server.Get("/images/orders_GBP_USD.png",
                    [&](const httplib::Request&, httplib::Response& r) { r.set_content(ordersBody, "image/png"); });
    request.chartUrl = http.url("/images/");
    CurlDownloader downloader;
    const std::optional<DisplayCharts> result = FetchDisplayCharts(request, downloader).charts;
    ASSERT_TRUE(result);
    EXPECT_EQ(result->positions, positions);
    EXPECT_EQ(result->ordersView, turnQuarter(orders));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace tivka
