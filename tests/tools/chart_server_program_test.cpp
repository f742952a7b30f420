// The chart server program, a test tool: it serves the charts it draws until
// a signal stops it. (The template tests have it write its templates.)
#include <gtest/gtest.h>
#include <httplib.h>

#include <sys/wait.h>

#include <csignal>

#include "chart/png_codec.h"
#include "chart_server/chart_server.h"

namespace tivka::charts {
namespace {

TEST(ChartServerProgram, ServesTheChartsItDrawsUntilStopped)
{
    // The shell prints its process id, then becomes the server.
    FILE* output = popen(("echo $$; exec '" + std::string(TIVKA_CHART_SERVER) +
                          "' --port 0 --seed 9 --fixed-time 08:15 --font 2").c_str(), "r");
    char pid[32] = "", port[64] = "";
    ASSERT_TRUE(output && fgets(pid, sizeof pid, output) && fgets(port, sizeof port, output));
    ASSERT_EQ(std::string(port).rfind("port ", 0), 0u) << port;
    httplib::Client client("127.0.0.1", std::stoi(port + 5));
    const auto reply = client.Get(std::string(kChartFolder) + "orders_EUR_JPY.png");
    const auto missing = client.Get(std::string(kChartFolder) + "orders_XAU_USD.png");
    kill(std::stoi(pid), SIGTERM);
    const int status = pclose(output);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_TRUE(reply && missing);
    EXPECT_EQ(reply->status, 200);
    EXPECT_EQ(DecodePng({reply->body.begin(), reply->body.end()}, "orders_EUR_JPY.png"),
              ChartPicture(*ParseChartFileName("orders_EUR_JPY.png"), 9, "08:15", ChartFont::Round));
    EXPECT_EQ(missing->status, 404);
}

}  // namespace
}  // namespace tivka::charts
