#include <gtest/gtest.h>
#include <httplib.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "chart/bmp_codec.h"
#include "chart/png_codec.h"
#include "chart_server/chart_server.h"
#include "support/test_support.h"

namespace tivka::charts {
namespace {

// The server program run through a shell that prints its own process id and
// then becomes the server, with the output on a pipe.
class ServerProcess {
public:
    explicit ServerProcess(const std::vector<std::string>& args)
    {
        std::string command = "echo $$; exec '" + std::string(TIVKA_CHART_SERVER) + "'";
        for (const std::string& a : args)
            command += " '" + a + "'";
        output_ = popen((command + " 2>&1").c_str(), "r");
        if (!output_)
            throw std::runtime_error("cannot start the chart server");
        pid_ = std::stoi(line());
    }
    ~ServerProcess()
    {
        if (output_)
            finish(SIGKILL);
    }
    std::string line()
    {
        char buffer[512];
        return fgets(buffer, sizeof buffer, output_) ? std::string(buffer) : std::string();
    }
    // Exit status after the given signal (0 to just wait); -1 if killed by it.
    int finish(int signal)
    {
        if (signal)
            kill(pid_, signal);
        const int status = pclose(output_);
        output_ = nullptr;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = 0;
    FILE* output_ = nullptr;
};

TEST(ChartServerProgram, PrintsItsPortServesAndStopsCleanly)
{
    for (int signal : {SIGTERM, SIGINT}) {
        ServerProcess server({"--port", "0", "--seed", "9", "--fixed-time", "08:15"});
        const std::string first = server.line();
        ASSERT_EQ(first.rfind("port ", 0), 0u) << first;
        const int port = std::stoi(first.substr(5));
        httplib::Client client("127.0.0.1", port);
        const auto reply = client.Get((std::string(kChartFolder) + "orders_EUR_JPY.png").c_str());
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 200);
        const std::vector<std::uint8_t> body(reply->body.begin(), reply->body.end());
        EXPECT_EQ(body, EncodePng(ChartPicture(*ParseChartFileName("orders_EUR_JPY.png"), 9, "08:15")));
        EXPECT_EQ(server.finish(signal), 0);
    }
}

TEST(ChartServerProgram, WritesTheTemplateBitmapOfEitherFont)
{
    test::TempDir dir;
    const std::string path = (dir / "ndata.bmp").string();
    for (const auto& [args, font] : {std::pair{std::vector<std::string>{}, ChartFont::Block},
                                     std::pair{std::vector<std::string>{"--font", "1"}, ChartFont::Block},
                                     std::pair{std::vector<std::string>{"--font", "2"}, ChartFont::Round}}) {
        std::vector<std::string> all = args;
        all.insert(all.end(), {"--write-template", path});
        ServerProcess server(all);
        EXPECT_EQ(server.finish(0), 0);
        EXPECT_EQ(LoadBmpFile(path), DigitTemplateBitmap(font));
    }
}

TEST(ChartServerProgram, RejectsBadOptionsAndABusyPortWithAMessage)
{
    ChartServer busy({});
    busy.start();
    const struct {
        std::vector<std::string> args;
        std::string inMessage;
        int status;
    } cases[] = {
        {{"--port", "http"}, "--port", 2},     {{"--port", "70000"}, "--port", 2},
        {{"--delay-ms", "-5"}, "--delay-ms", 2}, {{"--fixed-time", "25:00"}, "--fixed-time", 2},
        {{"--seed"}, "--seed", 2},             {{"--colour", "red"}, "--colour", 2},
        {{"--font", "3"}, "--font", 2},
        {{"--drift", "--drift-speed", "0"}, "--drift-speed", 2},
        {{"--port", std::to_string(busy.port())}, "cannot listen", 1},
    };
    for (const auto& c : cases) {
        ServerProcess server(c.args);
        const std::string message = server.line();
        EXPECT_NE(message.find(c.inMessage), std::string::npos) << message;
        EXPECT_EQ(server.finish(0), c.status) << c.args[0];
    }
}

}  // namespace
}  // namespace tivka::charts
