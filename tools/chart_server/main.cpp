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

namespace {

constexpr const char* kUsage =
    "usage: tivka-chart-server [--port N] [--bind ADDR] [--seed N] [--delay-ms N] [--not-found PAIR]\n"
    "                          [--truncate] [--not-png] [--stall] [--fixed-time HH:MM]\n"
    "                          [--font 1|2] [--drift] [--drift-speed N] [--write-template FILE]\n"
    "  --font 2 draws the texts in the round font (a narrow 1, thin points) in\n"
    "  place of the block font 1; --write-template writes the template of the\n"
    "  font chosen and exits.\n";

struct CommandLine {
    tivka::charts::ChartServerOptions options;
    std::string templateFile;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

long long wholeNumber(const std::string& option, const std::string& text, long long low, long long high)
{
    std::size_t used = 0;
    long long value = 0;
    try {
        value = std::stoll(text, &used, 10);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || value < low || value > high)
        throw UsageError(option + " needs a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not '" + text + "'");
    return value;
}

bool isClockTime(const std::string& text)
{
    return text.size() == 5 && text[2] == ':' && std::isdigit((unsigned char)text[0]) &&
           std::isdigit((unsigned char)text[1]) && std::isdigit((unsigned char)text[3]) &&
           std::isdigit((unsigned char)text[4]) && text.substr(0, 2) < "24" && text.substr(3, 2) < "60";
}

CommandLine parse(const std::vector<std::string>& args)
{
    CommandLine line;
    auto& o = line.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size())
                throw UsageError(arg + " needs a value");
            return args[++i];
        };
        if (arg == "--port")
            o.port = int(wholeNumber(arg, value(), 0, 65535));
        else if (arg == "--bind")
            o.bind = value();
        else if (arg == "--seed")
            o.seed = std::uint64_t(wholeNumber(arg, value(), 0, 1LL << 62));
        else if (arg == "--delay-ms")
            o.delayMs = int(wholeNumber(arg, value(), 0, 3600000));
        else if (arg == "--not-found")
            o.notFoundPair = value();
        else if (arg == "--truncate")
            o.truncate = true;
        else if (arg == "--not-png")
            o.notPng = true;
        else if (arg == "--stall")
            o.stall = true;
        else if (arg == "--fixed-time") {
            o.fixedTime = value();
            if (!isClockTime(o.fixedTime))
                throw UsageError("--fixed-time needs a time HH:MM, not '" + o.fixedTime + "'");
        } else if (arg == "--font")
            o.font = wholeNumber(arg, value(), 1, 2) == 2 ? tivka::charts::ChartFont::Round
                                                           : tivka::charts::ChartFont::Block;
        else if (arg == "--drift")
            o.drift = true;
        else if (arg == "--drift-speed")
            o.driftSpeed = int(wholeNumber(arg, value(), 1, 1440));
        else if (arg == "--write-template")
            line.templateFile = value();
        else
            throw UsageError("unknown option '" + arg + "'");
    }
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
    try {
        const CommandLine line = parse(std::vector<std::string>(argv + 1, argv + argc));
        if (!line.templateFile.empty()) {
            tivka::WriteBmpFile(tivka::charts::DigitTemplateBitmap(line.options.font), line.templateFile);
            return 0;
        }
        return serve(line.options);
    } catch (const UsageError& e) {
        std::cerr << "tivka-chart-server: " << e.what() << "\n" << kUsage;
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "tivka-chart-server: " << e.what() << "\n";
        return 1;
    }
}
