#include "acquisition/display_charts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "chart/png_codec.h"
#include "support/test_charts.h"
#include "support/test_support.h"

namespace tivka {
namespace {

namespace fs = std::filesystem;

// What the server answers for an address: a status and a body, or nothing at all.
using Answer = std::optional<std::pair<long, std::string>>;

// Writes each answer's body as the real download would; an address with no
// answer fails to open, and one answered with status 0 is cancelled.
struct FakeDownloader : Downloader {
    std::map<std::string, Answer> answers;
    std::vector<std::string> calls;
    DownloadOutcome download(const std::string& url, const std::string& fileName) override
    {
        calls.push_back(url);
        const Answer& answer = answers[url];
        if (!answer)
            return {false, 0, "", "Couldn't connect to server", false};
        test::writeFile(fileName, answer->second);
        return {true, answer->first, answer->first == 404 ? "Not Found" : "OK", "", answer->first == 0};
    }
    std::vector<DownloadOutcome> downloadAll(const std::vector<DownloadJob>&,
                                             const std::function<void(std::size_t)>&) override
    {
        throw std::logic_error("the display fetch downloads one chart at a time");
    }
};

std::string png(const Bitmap& b)
{
    const std::vector<std::uint8_t> bytes = EncodePng(b);
    return std::string(bytes.begin(), bytes.end());
}

// Both charts are always asked for, positions first; a failure keeps both
// files for a look, a success turns both charts and removes the files.
TEST(DisplayChartsTest, EachOutcomeGivesChartsOrOneMessageAndKeepsTheFilesOfAFailure)
{
    const std::string url = "http://charts.test/images/";
    const std::string positionsUrl = url + "posentryprice_noncumulative_GBP_USD.png";
    const std::string ordersUrl = url + "orders_GBP_USD.png";
    const Bitmap positions = test::BasicChart("1.2345"), orders = test::BasicChart("0.9876", "08:15");
    const Answer positionsChart = std::pair{200L, png(positions)}, ordersChart = std::pair{200L, png(orders)};
    const std::string failed = "Ошибка при загрузке графиков!\n";
    const std::tuple<Answer, Answer, std::string> cases[] = {
        {positionsChart, ordersChart, ""},
        {std::nullopt, ordersChart, failed + "Сервер недоступен: " + positionsUrl + " (Couldn't connect to server)"},
        {positionsChart, std::pair{404L, "<html>no such pair</html>"},
         failed + "Сервер ответил 404 Not Found: " + ordersUrl},
        {std::nullopt, std::pair{404L, ""}, failed + "Сервер недоступен: " + positionsUrl +
                                                " (Couldn't connect to server)\nСервер ответил 404 Not Found: " + ordersUrl},
        {positionsChart, std::pair{200L, "<html>no such pair</html>"},
         "oc_GBPUSD.png from " + ordersUrl + ": not a PNG image (starts with '<html>no such pa')"},
        {std::pair{200L, ""}, ordersChart, "pn_GBPUSD.png from " + positionsUrl + ": the file is empty"},
        {positionsChart, std::pair{0L, ""}, ""},
    };
    for (const auto& [positionsAnswer, ordersAnswer, failure] : cases) {
        test::TempDir dir;
        test::ScopedCurrentDir inDir(dir.path());
        FakeDownloader fake;
        fake.answers = {{positionsUrl, positionsAnswer}, {ordersUrl, ordersAnswer}};
        const DisplayFetch fetch = FetchDisplayCharts({url, "GBP/USD", true, false}, fake);
        const bool cancelled = ordersAnswer && ordersAnswer->first == 0;
        EXPECT_EQ(fetch.failure, failure);
        EXPECT_EQ(fetch.cancelled, cancelled) << failure;
        EXPECT_EQ(fake.calls, (std::vector<std::string>{positionsUrl, ordersUrl}));
        const bool kept = !failure.empty() || cancelled;  // a cancel leaves what arrived
        EXPECT_EQ(fs::exists("pn_GBPUSD.png"), positionsAnswer && kept) << failure;
        EXPECT_EQ(fs::exists("oc_GBPUSD.png"), ordersAnswer && kept) << failure;
        EXPECT_EQ(fetch.charts.has_value(), failure.empty() && !cancelled) << failure;
        if (fetch.charts) {
            EXPECT_EQ(fetch.charts->positions, positions);
            EXPECT_EQ(fetch.charts->orders, orders);
            EXPECT_EQ(fetch.charts->positionsView, turnQuarter(positions));
            EXPECT_EQ(fetch.charts->ordersView, turnQuarter(orders));
        }
    }
}

}  // namespace
}  // namespace tivka
