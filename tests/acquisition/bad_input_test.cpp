// Hostile or broken input reaching the chart fetch and the picture decoders:
// each must end with a clear error or a bounded, cut-short transfer.
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "chart/bmp_codec.h"
#include "acquisition/download.h"
#include "acquisition/loopback_server.h"
#include "chart/picture_bytes.h"
#include "chart/png_codec.h"
#include "reading/digit_template.h"
#include "support/test_support.h"

namespace tivka {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using Clock = std::chrono::steady_clock;

long peakResidentKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void expectRefused(const Bytes& png, const std::string& fragment)
{
    test::expectErrorNaming([&] { DecodePng(png, "pn_GBPUSD.png"); }, "pn_GBPUSD.png: ", fragment);
}

// Decoded, this file would take 768 MiB of RGB and 1 GiB of bitmap.
TEST(BadPicture, DecompressionBombIsRefusedBeforeAnyPixelIsDecoded)
{
    const long before = peakResidentKiB();
    Bytes bomb = test::whitePng(16000, 16000);
    EXPECT_LT(bomb.size(), 512u * 1024u);
    expectRefused(bomb, "claims 16000 x 16000 pixels; at most 4 megapixels");
    EXPECT_LT(peakResidentKiB() - before, 16 * 1024) << "peak memory grew by more than 16 MiB";
}

TEST(BadPicture, PixelCapSitsAtFourMegapixels)
{
    expectRefused(test::whitePng(8000, 8000), "8000 x 8000");  // within each side's limit
    expectRefused(test::whitePng(2049, 2048), "at most 4 megapixels");
    Bitmap atCap = DecodePng(test::whitePng(2048, 2048), "big.png");
    EXPECT_EQ(atCap.width(), 2048);
    EXPECT_EQ(atCap.pixel(2047, 2047), colours::white);
}

TEST(BadPicture, ZeroByteFilesAreNamedInTheErrorAndKept)
{
    test::TempDir dir;
    const std::string png = (dir / "on_GBPUSD.png").string(), bmp = (dir / "ndata.bmp").string();
    test::writeFile(png, "");
    test::writeFile(bmp, "");
    test::expectErrorNaming([&] { DecodePngFile(png); }, png + ": ");
    test::expectErrorNaming([&] { LoadBmpFile(bmp); }, bmp + ": ");
    EXPECT_TRUE(fs::exists(png) && fs::exists(bmp));
}

TEST(BadPicture, TemplateTooSmallForTwelveCellsIsRefusedByName)
{
    test::TempDir dir;
    const std::string path = (dir / "ndata.bmp").string();
    for (auto [width, height] : {std::pair{1, 1}, std::pair{93, 10}, std::pair{94, 9}}) {
        WriteBmpFile(Bitmap(width, height), path);
        try {
            DigitTemplate::load(path);
            ADD_FAILURE() << width << " x " << height << " accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), path + ": the digit template is " + std::to_string(width) + " x " +
                                                 std::to_string(height) + " pixels; it must be at least 94 x 10");
        }
    }
    WriteBmpFile(Bitmap(94, 10), path);
    EXPECT_EQ(DigitTemplate::load(path).glyphs().width(), 94);
}

class BadServer : public ::testing::Test {
protected:
    std::string file(const std::string& name) const { return (dir / name).string(); }
    static double secondsSince(Clock::time_point start)
    {
        return std::chrono::duration<double>(Clock::now() - start).count();
    }

    test::TempDir dir;
    test::LoopbackServer http;
};

// The body is generated as it is sent, so the test never holds 1 GiB.
TEST_F(BadServer, OneGibibyteBodyIsCutAtTheCapAndNothingElseIsTouched)
{
    constexpr std::size_t kGiB = std::size_t(1) << 30;
    std::atomic<std::size_t> sent{0};
    http.server.Get("/huge.png", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content_provider(kGiB, "image/png", [&](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            static const std::string piece(1 << 16, 'z');
            std::size_t n = std::min(length, piece.size());
            if (!sink.write(piece.data(), n))
                return false;
            sent = offset + n;
            return true;
        });
    });
    test::writeFile(file("pn_GBPUSD.png"), "the positions chart");
    EXPECT_TRUE(DownloadFile(http.url("/huge.png"), file("on_GBPUSD.png")).opened);
    EXPECT_EQ(fs::file_size(file("on_GBPUSD.png")), 32u * 1024 * 1024);
    EXPECT_LT(sent.load(), 64u * 1024 * 1024) << "the server was not stopped at the cap";
    EXPECT_EQ(test::readFile(file("pn_GBPUSD.png")), "the positions chart");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

// A byte every tenth of a second never leaves the line silent for a whole
// second, yet brings far less than the minimum a window must bring.
TEST_F(BadServer, ADrippingServerIsGivenUpAfterOneStallWindow)
{
    http.server.Get("/drip.png", [&](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider("image/png", [&](std::size_t, httplib::DataSink& sink) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            return sink.write("d", 1);
        });
    });
    DownloadLimits limits;
    limits.stallSeconds = 1;
    auto start = Clock::now();
    EXPECT_TRUE(DownloadFile(http.url("/drip.png"), file("drip.png"), limits).opened);
    EXPECT_LT(secondsSince(start), 4.0);
    std::string kept = test::readFile(file("drip.png"));
    EXPECT_FALSE(kept.empty());
    EXPECT_EQ(kept, std::string(kept.size(), 'd'));
}

// Fast enough for every window, but endless: the overall bound ends it.
TEST_F(BadServer, AnEndlessSteadyBodyEndsAtTheTransferBound)
{
    http.server.Get("/endless.png", [&](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider("image/png", [&](std::size_t, httplib::DataSink& sink) {
            static const std::string piece(4096, 'e');
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            return sink.write(piece.data(), piece.size());
        });
    });
    DownloadLimits limits;
    limits.stallSeconds = 1;
    limits.transferSeconds = 2;
    auto start = Clock::now();
    EXPECT_TRUE(DownloadFile(http.url("/endless.png"), file("endless.png"), limits).opened);
    double took = secondsSince(start);
    EXPECT_GT(took, 1.5) << "ended by the stall check, not the overall bound";
    EXPECT_LT(took, 5.0);
    EXPECT_GT(fs::file_size(file("endless.png")), 4096u);
}

// A server whose listening socket takes the connection but never reads or
// answers: nothing opened, no file, bounded by the stall time.
TEST_F(BadServer, ASilentListenerFailsWithinTheStallTime)
{
    httplib::Server silent;  // bound but never serving: the kernel accepts into the backlog
    int port = silent.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    DownloadLimits limits;
    limits.stallSeconds = 1;
    auto start = Clock::now();
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/x.png";
    const DownloadOutcome outcome = DownloadFile(url, file("x.png"), limits);
    EXPECT_FALSE(outcome.opened);
    EXPECT_EQ(DescribeFailure(outcome, url), "Сервер недоступен: " + url + " (less than 1024 bytes in 1 s)");
    EXPECT_LT(secondsSince(start), 4.0);
    EXPECT_FALSE(fs::exists(file("x.png")));
}

}  // namespace
}  // namespace tivka
