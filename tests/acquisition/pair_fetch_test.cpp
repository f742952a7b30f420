#include "acquisition/pair_fetch.h"

#include <gtest/gtest.h>

#include "acquisition/loopback_server.h"
#include "chart/png_codec.h"
#include "shell/failure_text.h"
#include "support/test_support.h"

namespace tivka {
namespace {

// A chart-sized picture whose every pixel tells where it is, so that a wrong
// turn or a swapped chart shows.
Bitmap patterned(int seed)
{
    Bitmap picture(531, 256);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, rgb(std::uint8_t(x * seed), std::uint8_t(y), std::uint8_t(x ^ y)));
    return picture;
}

test::Handler pngOf(const Bitmap& b)
{
    const std::vector<std::uint8_t> bytes = EncodePng(b);
    return test::answer(200, std::string(bytes.begin(), bytes.end()), "image/png");
}

// Both charts are always asked for, positions first, and one message covers
// both; a failure keeps the files for a look, a success decodes both charts
// and removes the files.
TEST(PairFetchTest, EachOutcomeGivesChartsOrOneMessageAndKeepsTheFilesOfAFailure)
{
    const Bitmap positions = patterned(3), orders = patterned(5);
    const std::string p = "posentryprice_noncumulative_GBP_USD.png", o = "orders_GBP_USD.png";
    const std::string failed = "Ошибка при загрузке графиков!\n", refused = "http://127.0.0.1:1/";
    test::LoopbackServer http;
    const auto at = [&](int folder) { return http.url("/" + std::to_string(folder) + "/"); };
    // Where the charts are, the answers for them (none: the server knows no such chart), what the user is told.
    const std::tuple<std::string, test::Handler, test::Handler, std::string> cases[] = {
        {at(0), pngOf(positions), pngOf(orders), ""},
        {at(1), nullptr, pngOf(orders), failed + "Сервер ответил 404 Not Found: " + at(1) + p},
        {at(2), pngOf(positions), test::answer(404, "<html>no such pair</html>"),
         failed + "Сервер ответил 404 Not Found: " + at(2) + o},
        {refused, nullptr, nullptr, failed + "Сервер недоступен: " + refused + p + " (Couldn't connect to server)\n" +
                                        "Сервер недоступен: " + refused + o + " (Couldn't connect to server)"},
        {at(4), pngOf(positions), test::answer(200, "<html>no such pair</html>"),
         "oc_GBPUSD.png from " + at(4) + o + ": not a PNG image (starts with '<html>no such pa')"},
        {at(5), test::answer(200, ""), pngOf(orders), "pn_GBPUSD.png from " + at(5) + p + ": the file is empty"},
        {at(6), pngOf(positions), pngOf(orders), "cancelled"},
        // A folder where the positions chart goes: the body has nowhere to go.
        {at(7), pngOf(positions), pngOf(orders), "pn_GBPUSD.png: is a folder, not a regular file"},
    };
    for (const auto& [url, positionsAnswer, ordersAnswer, failure] : cases) {
        const std::string folder = url.substr(url.find('/', 7));
        if (positionsAnswer)
            http.server.Get(folder + p, positionsAnswer);
        if (ordersAnswer)
            http.server.Get(folder + o, ordersAnswer);
        test::TempDir dir;
        test::ScopedCurrentDir inDir(dir.path());
        if (failure.starts_with("pn_GBPUSD.png: is a folder"))
            std::filesystem::create_directory("pn_GBPUSD.png");
        HttpDownloader downloader;
        const bool cancelled = failure == "cancelled";
        if (cancelled)
            downloader.cancel();
        int fetched = 0;
        const FetchedPair fetch =
            FetchPair(ChartUse::Display, {url, "GBP/USD", {{true, false}}}, downloader, [&] { ++fetched; });
        EXPECT_EQ(fetched, 2);
        EXPECT_EQ(DisplayFailureMessage(fetch.failures), cancelled ? "" : failure);
        EXPECT_EQ(fetch.cancelled, cancelled) << failure;
        const bool kept = url != refused && !cancelled && !failure.empty();
        EXPECT_EQ(std::filesystem::exists("pn_GBPUSD.png"), kept) << failure;
        EXPECT_EQ(std::filesystem::exists("oc_GBPUSD.png"), kept) << failure;
        EXPECT_EQ(fetch.charts.has_value(), failure.empty()) << failure;
        if (fetch.charts) {
            EXPECT_EQ((*fetch.charts)[ChartKind::Positions], positions);
            EXPECT_EQ((*fetch.charts)[ChartKind::Orders], orders);
        }
    }
}

}  // namespace
}  // namespace tivka
