// tivka-chart-server: publishes synthetic order-book charts over HTTP in the
// broker's folder layout, for trying Tivka out and for tests.

#include <csignal>
#include <cctype>
#include <exception>
#include <iostream>
#include <pthread.h>
#include <stdexcept>
#include <string>
#include <vector>

#include "chart/bmp_codec.h"
#include "chart_server/chart_server.h"
#include "common/options.h"

namespace {

constexpr const char* kUsage =
    "Usage: tivka-chart-server [options]\n"
    "Serves synthetic order-book charts of the ten pairs over HTTP, in the broker's\n"
    "folder layout, until stopped by SIGINT or SIGTERM; prints \"port N\" once listening.\n"
    "\n"
    "  --port N                 port to listen on (default 0: a free one)\n"
    "  --bind ADDR              address to listen on (default 127.0.0.1)\n"
    "  --seed N                 the charts drawn (default 1)\n"
    "  --delay-ms N             wait N ms before every reply\n"
    "  --not-found PAIR         this pair's charts answer 404\n"
    "  --truncate               announce the whole picture, send half of it\n"
    "  --not-png                answer an HTML page in place of every picture\n"
    "  --stall                  read every request and answer nothing\n"
    "  --fixed-time HH:MM       the chart time on every chart (default: UTC now)\n"
    "  --font 1|2               1 the block font (default), 2 the round font (a\n"
    "                           narrow 1, thin points)\n"
    "  --drift                  charts whose price and bars drift with the clock\n"
    "  --drift-speed N          the drift's clock runs N times as fast (1 to 1440)\n"
    "  --write-template FILE    write the digit template of the font chosen and exit\n"
    "  -h, --help               show this text\n"
    "\n"
    "Exit status: 0 stopped by a signal or template written, 1 could not listen or\n"
    "write, 2 unusable command line.\n";

struct CommandLine {
    tivka::charts::ChartServerOptions options;
    std::string templateFile;
};

using tivka::tools::UsageError;
using tivka::tools::WholeNumber;

bool isClockTime(const std::string& text)
{
    return text.size() == 5 && text[2] == ':' && std::isdigit((unsigned char)text[0]) &&
           std::isdigit((unsigned char)text[1]) && std::isdigit((unsigned char)text[3]) &&
           std::isdigit((unsigned char)text[4]) && text.substr(0, 2) < "24" && text.substr(3, 2) < "60";
}

std::string clockTime(const std::string& text)
{
    if (!isClockTime(text))
        throw UsageError("--fixed-time needs a time HH:MM, not '" + text + "'");
    return text;
}

CommandLine parse(const std::vector<std::string>& args)
{
    CommandLine line;
    auto& o = line.options;
    using Text = const std::string&;
    tivka::tools::OptionParser()
        .value("--port", [&](Text v) { o.port = int(WholeNumber("--port", v, 0, 65535)); })
        .value("--bind", [&](Text v) { o.bind = v; })
        .value("--seed", [&](Text v) { o.seed = std::uint64_t(WholeNumber("--seed", v, 0, 1LL << 62)); })
        .value("--delay-ms", [&](Text v) { o.delayMs = int(WholeNumber("--delay-ms", v, 0, 3600000)); })
        .value("--not-found", [&](Text v) { o.notFoundPair = v; })
        .flag("--truncate", [&] { o.truncate = true; })
        .flag("--not-png", [&] { o.notPng = true; })
        .flag("--stall", [&] { o.stall = true; })
        .value("--fixed-time", [&](Text v) { o.fixedTime = clockTime(v); })
        .value("--font",
               [&](Text v) {
                   o.font = WholeNumber("--font", v, 1, 2) == 2 ? tivka::charts::ChartFont::Round
                                                                : tivka::charts::ChartFont::Block;
               })
        .flag("--drift", [&] { o.drift = true; })
        .value("--drift-speed", [&](Text v) { o.driftSpeed = int(WholeNumber("--drift-speed", v, 1, 1440)); })
        .value("--write-template", [&](Text v) { line.templateFile = v; })
        .parse(args);
    return line;
}

int serve(const tivka::charts::ChartServerOptions& options)
{
    // Block the stop signals before any thread starts, then wait for one here.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    tivka::charts::ChartServer server(options);
    server.start();
    std::cout << "port " << server.port() << std::endl;
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    return tivka::tools::RunTool("tivka-chart-server", kUsage, argc, argv, [](const std::vector<std::string>& args) {
        const CommandLine line = parse(args);
        try {
            if (!line.templateFile.empty()) {
                tivka::WriteBmpFile(tivka::charts::DigitTemplateBitmap(line.options.font), line.templateFile);
                return 0;
            }
            return serve(line.options);
        } catch (const std::exception& e) {
            std::cerr << "tivka-chart-server: " << e.what() << "\n";
            return 1;
        }
    });
}
