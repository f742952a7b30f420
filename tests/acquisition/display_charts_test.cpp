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
    bool download(const std::string& url, const std::string& fileName) override
    {
        calls.push_back(url);
        auto found = bodies.find(url);
        if (found == bodies.end())
            return false;
        test::writeFile(fileName, found->second);
        return true;
    }
    std::vector<bool> downloadAll(const std::vector<DownloadJob>& jobs) override
    {
        std::vector<bool> results;
        for (const DownloadJob& job : jobs)
            results.push_back(download(job.url, job.fileName));
        return results;
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
    std::optional<DisplayCharts> result = FetchDisplayCharts(request, fake);
    ASSERT_TRUE(result);
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
    EXPECT_FALSE(FetchDisplayCharts(request, fake));
    EXPECT_EQ(fake.calls, (std::vector<std::string>{positionsUrl, ordersUrl}));
    EXPECT_TRUE(std::filesystem::exists("oc_GBPUSD.png"));

    fake.bodies = {{positionsUrl, png(positions)}};
    EXPECT_FALSE(FetchDisplayCharts(request, fake));
    EXPECT_TRUE(std::filesystem::exists("pn_GBPUSD.png"));
}

TEST_F(DisplayChartsTest, AnErrorPageThrowsNamingTheFileAndKeepsBoth)
{
    FakeDownloader fake;
    fake.bodies = {{positionsUrl, png(positions)}, {ordersUrl, "<html>no such pair</html>"}};
    try {
        FetchDisplayCharts(request, fake);
        ADD_FAILURE() << "an HTML page decoded as a chart";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("oc_GBPUSD.png"), std::string::npos) << e.what();
    }
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
    std::optional<DisplayCharts> result = FetchDisplayCharts(request, downloader);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->positions, positions);
    EXPECT_EQ(result->ordersView, turnQuarter(orders));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace tivka
