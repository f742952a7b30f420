// tivka-soak: tivka-feed (the program beside this one) through a simulated day
// of 5-minute refreshes against the chart server, with faults injected at
// random: 404 pages, stalls, pictures cut short, error pages in place of
// pictures, slow answers and a pair that vanishes for a while. The feed runs
// as a child process in a folder of its own, with its JSON interface on a
// free loopback port; each pass gets a chart server of its own, and SIGHUP
// makes the feed read the settings naming it and serve at once. After every
// pass it checks that the pass ended within its bounds, that every pair whose
// charts came without a fault was served in every folder and that the
// interface holds the pass's readings; all the while a watcher checks that no
// request flag ever says "2" over a data file that is not complete, and a
// probe that the interface answers /v1/health and the latest reading of a
// served pair, during passes and between them. At the end it checks that the
// feed's open descriptors and resident memory did not grow after the first
// passes, and that SIGTERM ends it with status 0.
//
//   tivka-soak [--hours N] [--seed S]     (default: 24 hours, seed 1; --help)
//
// Prints its figures and exits 0 when every check held, 1 otherwise.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>
#include <signal.h>
#include <unistd.h>

#include <functional>
#include <optional>

#include "acquisition/pair_naming.h"
#include "chart/bmp_codec.h"
#include "chart_server/chart_renderer.h"
#include "chart_server/chart_server.h"
#include "common/options.h"
#include "soak/feed_process.h"
#include "soak/interface_probe.h"

namespace {

namespace fs = std::filesystem;
using namespace tivka;
using soak::FeedProcess;
using soak::InterfaceProbe;

constexpr int kPassMinutes = 5;
constexpr int kFolders = 3;
constexpr int kStallMs = 1500;  // the server's silence; the client gives up after one second
constexpr int kSlowMs = 300;
constexpr double kPassBoundSeconds = 2 * 1.5 + 2 * 0.3 + 5;  // stalls and slow answers run in parallel

constexpr const char* kUsage =
    "Usage: tivka-soak [--hours N] [--seed S]\n"
    "Drives the indicator pass through N simulated hours of 5-minute refreshes\n"
    "against a chart server that injects faults at random, and checks every pass,\n"
    "the request flags, open descriptors and memory.\n"
    "\n"
    "  --hours N     simulated hours, 1 to 8760 (default 24)\n"
    "  --seed S      the faults and charts drawn (default 1)\n"
    "  -h, --help    show this text\n"
    "\n"
    "Exit status: 0 every check held, 1 a check failed, 2 unusable command line\n"
    "or the soak could not run.\n";

struct Options {
    int hours = 24;
    std::uint64_t seed = 1;
};

Options parse(const std::vector<std::string>& args)
{
    Options options;
    tools::OptionParser()
        .value("--hours", [&](const std::string& v) { options.hours = int(tools::WholeNumber("--hours", v, 1, 8760)); })
        .value("--seed",
               [&](const std::string& v) { options.seed = std::uint64_t(tools::WholeNumber("--seed", v, 0, 1LL << 62)); })
        .parse(args);
    return options;
}

const char* faultName(charts::ChartFault fault)
{
    switch (fault) {
    case charts::ChartFault::NotFound: return "404";
    case charts::ChartFault::NotPng: return "not a PNG";
    case charts::ChartFault::Truncate: return "cut short";
    case charts::ChartFault::Stall: return "stall";
    case charts::ChartFault::Slow: return "slow";
    default: return "none";
    }
}

// Chooses the faults of the current pass, one per chart file, and keeps them
// for the checks. A fault other than a slow answer keeps its pair from being
// served.
class FaultPlan {
public:
    explicit FaultPlan(std::uint64_t seed) : dice_(seed) {}

    void startPass(int pass, int passes)
    {
        std::lock_guard lock(mutex_);
        faults_.clear();
        pass_ = pass;
        vanishedFrom_ = passes / 3;
        vanishedTo_ = passes / 3 + std::max(passes / 8, 2);
    }
    charts::ChartFault faultFor(const charts::ChartFile& file)
    {
        std::lock_guard lock(mutex_);
        charts::ChartFault fault = charts::ChartFault::None;
        if (file.pair == "AUD_USD" && pass_ >= vanishedFrom_ && pass_ < vanishedTo_)
            fault = charts::ChartFault::NotFound;  // the broker stopped publishing it for a while
        else if (dice_() % 100 < 4)
            fault = charts::ChartFault(1 + dice_() % 5);
        faults_[file.pair] = std::max(faults_[file.pair], fault == charts::ChartFault::Slow ? 0 : int(fault));
        ++counts_[fault];
        return fault;
    }
    bool faulted(const std::string& pairName)
    {
        std::lock_guard lock(mutex_);
        return faults_[pairName] != 0;
    }
    std::map<charts::ChartFault, int> counts()
    {
        std::lock_guard lock(mutex_);
        return counts_;
    }

private:
    std::mutex mutex_;
    std::mt19937_64 dice_;
    int pass_ = 0;
    int vanishedFrom_ = 0;
    int vanishedTo_ = 0;
    std::map<std::string, int> faults_;
    std::map<charts::ChartFault, int> counts_;
};

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// A data file the indicator may trust: 720 lines, each ended by CR LF.
bool completeDataFile(const std::string& text)
{
    std::size_t lines = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
        ++lines;
    return lines == 720 && text.ends_with("\r\n");
}

// Looks at every flag and its data file over and over while the passes run.
class FlagWatcher {
public:
    explicit FlagWatcher(std::vector<fs::path> folders) : folders_(std::move(folders))
    {
        thread_ = std::thread([this] { watch(); });
    }
    ~FlagWatcher() { stop(); }
    // Ends the watch; the counts are final from then on.
    void stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    int looks() const { return looks_; }
    int violations() const { return violations_; }

private:
    void watch()
    {
        while (!stop_) {
            for (const fs::path& folder : folders_)
                for (const char* pair : kPairList)
                    look(folder, PairCode(pair));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    // A flag that was rewritten while the data file was read (to "1" and
    // back) proves nothing: its change time tells.
    void look(const fs::path& folder, const std::string& code)
    {
        ++looks_;
        const fs::path flag = folder / ("ir" + code + ".dat");
        std::error_code error;
        const auto before = fs::last_write_time(flag, error);
        if (error || readFile(flag) != "2")
            return;
        const std::string data = readFile(folder / (code + ".csv"));
        if (!completeDataFile(data) && fs::last_write_time(flag, error) == before && !error) {
            ++violations_;
            std::cerr << "flag 2 over an incomplete " << code << ".csv in " << folder << "\n";
        }
    }

    std::vector<fs::path> folders_;
    std::atomic<bool> stop_{false};
    std::atomic<int> looks_{0};
    std::atomic<int> violations_{0};
    std::thread thread_;
};

std::string clockText(int minuteOfDay)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", minuteOfDay / 60 % 24, minuteOfDay % 60);
    return text;
}

// The feed beside this program.
std::string feedProgram()
{
    return (fs::read_symlink("/proc/self/exe").parent_path() / "tivka-feed").string();
}

// Drives tivka-feed through the passes and checks each; counts the failed
// checks.
struct Soak {
    explicit Soak(Options chosen) : options(chosen), plan(chosen.seed) {}

    Options options;
    FaultPlan plan;
    fs::path root = fs::temp_directory_path() / ("tivka-soak-" + std::to_string(::getpid()));
    std::vector<fs::path> folders;
    charts::ChartServerOptions serverOptions;
    int failedChecks = 0;
    int served = 0;
    int skipped = 0;
    int latestChecked = 0;
    double longestPass = 0;
    int descriptorsAtStart = 0;
    long memoryAtStart = 0;

    void fail(const std::string& what)
    {
        ++failedChecks;
        std::cerr << "check failed: " << what << "\n";
    }

    void prepareFolders()
    {
        for (int i = 0; i < kFolders; ++i) {
            const fs::path folder = root / ("mt4_" + std::to_string(i + 1)) / "experts" / "files" / "Tivka";
            fs::create_directories(folder);
            folders.push_back(folder);
            for (const char* pair : kPairList)
                std::ofstream(folder / ("ir" + PairCode(pair) + ".dat")) << "0";
        }
        WriteBmpFile(charts::DigitTemplateBitmap(), (root / "ndata.bmp").string());
    }

    // The feed's settings for the chart server of this pass, replaced whole
    // so that the feed never reads half of them.
    void writeSettings(int chartPort)
    {
        std::ofstream(root / "tivka.INI.new")
            << "[Setting]\nTIVKA_URL=http://127.0.0.1:" << chartPort << charts::kChartFolder << "\nMt4_Path="
            << (root / "mt4_1").string() << "/\nMt4_Path2=" << (root / "mt4_2").string()
            << "/\nMt4_Path3=" << (root / "mt4_3").string() << "/\n";
        fs::rename(root / "tivka.INI.new", root / "tivka.INI");
    }

    void checkPass(int pass, const std::string& time, double seconds)
    {
        longestPass = std::max(longestPass, seconds);
        if (seconds > kPassBoundSeconds)
            fail("pass " + std::to_string(pass) + " took " + std::to_string(seconds) + " s");
        for (const char* pair : kPairList) {
            if (plan.faulted(PairName(pair))) {
                ++skipped;
                continue;
            }
            for (const fs::path& folder : folders) {
                const std::string data = readFile(folder / (PairCode(pair) + ".csv"));
                if (readFile(folder / ("ir" + PairCode(pair) + ".dat")) != "2" || !data.starts_with(time + "\r\n") ||
                    !completeDataFile(data))
                    fail(std::string(pair) + " not served in pass " + std::to_string(pass) + " (" + time + ")");
            }
            ++served;
        }
    }

    // The interface holds what the pass read: the chart time of this pass
    // for every pair served.
    void checkLatest(int port, int pass, const std::string& time)
    {
        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(5);
        for (const char* pair : kPairList) {
            if (plan.faulted(PairName(pair)))
                continue;
            const auto answer = client.Get(std::string("/v1/readings/latest?pair=") + pair + "&kind=positions");
            ++latestChecked;
            if (!answer || answer->status != 200 ||
                answer->body.find("\"chart_time\":\"" + time + "\"") == std::string::npos)
                fail(std::string("the interface's latest ") + pair + " is not that of pass " + std::to_string(pass));
        }
    }

    // One pass of the feed, its start told by `trigger`; its seconds, or
    // nothing when the feed never told its end.
    std::optional<double> pass(FeedProcess& feed, InterfaceProbe& probe, const std::function<void()>& trigger)
    {
        const auto start = std::chrono::steady_clock::now();
        probe.passRunning(true);
        trigger();
        std::vector<std::string> said;
        const auto line = feed.waitForLine("pass:", std::chrono::seconds(60), &said);
        probe.passRunning(false);
        for (const std::string& other : said)
            if (other.rfind("settings reloaded", 0) != 0)
                std::cerr << "tivka-feed: " << other << "\n";
        if (!line)
            return std::nullopt;
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    // The feed's descriptors and memory, with no probe connection open.
    std::pair<int, long> feedFootprint(FeedProcess& feed, InterfaceProbe& probe)
    {
        probe.pause();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the feed's side of the last probe closed
        const std::pair<int, long> footprint{feed.openDescriptors(), feed.residentKiB()};
        probe.resume();
        return footprint;
    }

    int run()
    {
        prepareFolders();
        serverOptions.seed = options.seed;
        serverOptions.stallMs = kStallMs;
        serverOptions.slowMs = kSlowMs;
        serverOptions.faultFor = [this](const charts::ChartFile& file) { return plan.faultFor(file); };
        const int passes = options.hours * 60 / kPassMinutes;
        FlagWatcher watcher(folders);
        int port = 0;
        std::unique_ptr<FeedProcess> feed;
        std::unique_ptr<InterfaceProbe> probe;
        for (int pass = 0; pass < passes; ++pass) {
            const std::string time = clockText(pass * kPassMinutes);
            serverOptions.fixedTime = time;
            charts::ChartServer chartServer(serverOptions);  // a fresh chart time every pass
            chartServer.start();
            writeSettings(chartServer.port());
            plan.startPass(pass, passes);
            if (!feed) {  // its first pass starts with it
                std::tie(feed, port) = startFeed();
                probe = std::make_unique<InterfaceProbe>(port);
            }
            const auto seconds = this->pass(*feed, *probe, [&] {
                if (pass > 0)
                    feed->signal(SIGHUP);
            });
            chartServer.stop();
            if (!seconds) {
                fail("tivka-feed told no end of pass " + std::to_string(pass));
                break;
            }
            checkPass(pass, time, *seconds);
            checkLatest(port, pass, time);
            if (pass == std::min(2, passes - 1))  // after the first passes have loaded everything once
                std::tie(descriptorsAtStart, memoryAtStart) = feedFootprint(*feed, *probe);
            for (const char* pair : kPairList)
                if (!plan.faulted(PairName(pair))) {
                    probe->askFor(pair);
                    break;
                }
        }
        watcher.stop();
        const auto [descriptorsAtEnd, memoryAtEnd] = feed ? feedFootprint(*feed, *probe) : std::pair(0, 0L);
        if (probe) {
            probes = probe->probes();
            probesDuringPasses = probe->probesDuringPasses();
            probeFailures = probe->failures();
            if (probeFailures > 0)
                fail("the interface did not answer " + std::to_string(probeFailures) + " requests");
        }
        probe.reset();
        const auto [exitStatus, exitSeconds] = feed ? feed->terminate(std::chrono::seconds(10)) : std::pair(-1, 0.0);
        if (exitStatus != 0)
            fail("tivka-feed ended with status " + std::to_string(exitStatus) + " after SIGTERM");
        checkFootprint(descriptorsAtEnd, memoryAtEnd);
        report(passes, watcher, {descriptorsAtEnd, memoryAtEnd}, exitSeconds);
        fs::remove_all(root);
        return failedChecks == 0 ? 0 : 1;
    }

    // The feed on the settings written, serving at once; and the port its
    // interface listens on.
    std::pair<std::unique_ptr<FeedProcess>, int> startFeed()
    {
        // Its history goes below the soak's folder, not into the user's.
        auto feed = std::make_unique<FeedProcess>(
            feedProgram(),
            std::vector<std::string>{"--settings", (root / "tivka.INI").string(), "--every", "35791", "--listen",
                                     "127.0.0.1:0"},
            root.string(), std::vector<std::string>{"XDG_DATA_HOME=" + (root / "data").string()});
        const std::string said = "listening on port ";
        const auto line = feed->waitForLine(said, std::chrono::seconds(10));
        if (!line)
            throw std::runtime_error("tivka-feed did not say where it listens");
        return {std::move(feed), std::stoi(line->substr(said.size()))};
    }

    void reportInterface() const
    {
        std::cout << "interface: " << probes << " requests (" << probesDuringPasses << " during passes), "
                  << probeFailures << " failed; latest readings checked after the passes " << latestChecked << "\n";
    }
    int probes = 0;
    int probesDuringPasses = 0;
    int probeFailures = 0;

    void checkFootprint(int descriptorsAtEnd, long memoryAtEnd)
    {
        if (descriptorsAtEnd > descriptorsAtStart)
            fail("the feed's open descriptors grew from " + std::to_string(descriptorsAtStart) + " to " +
                 std::to_string(descriptorsAtEnd));
#ifndef __SANITIZE_ADDRESS__  // the sanitizer's quarantine holds freed memory on purpose
        if (memoryAtEnd > memoryAtStart + 8 * 1024)
            fail("the feed's resident memory grew from " + std::to_string(memoryAtStart) + " to " +
                 std::to_string(memoryAtEnd) + " KiB");
#endif
    }

    void report(int passes, const FlagWatcher& watcher, std::pair<int, long> atEnd, double exitSeconds)
    {
        if (watcher.violations() > 0)
            fail(std::to_string(watcher.violations()) + " times a flag said 2 over an incomplete data file");
        std::cout << passes << " passes (" << options.hours << " simulated hours), longest " << longestPass
                  << " s\nfaults injected:";
        for (const auto& [fault, count] : plan.counts())
            if (fault != charts::ChartFault::None)
                std::cout << " " << faultName(fault) << " " << count;
        std::cout << "\npairs served " << served << ", skipped for a fault " << skipped << " (every pass, "
                  << kFolders << " folders each)\nflag checks " << watcher.looks() << ", violations "
                  << watcher.violations() << "\n";
        reportInterface();
        std::cout << "feed: open descriptors " << descriptorsAtStart << " -> " << atEnd.first << ", resident memory "
                  << memoryAtStart << " -> " << atEnd.second << " KiB; ended " << exitSeconds << " s after SIGTERM\n"
                  << (failedChecks == 0 ? "every check held\n" : std::to_string(failedChecks) + " checks failed\n");
    }
};

}  // namespace

int main(int argc, char** argv)
{
    return tools::RunTool("tivka-soak", kUsage, argc, argv, [](const std::vector<std::string>& args) {
        const Options options = parse(args);
        try {
            Soak soak(options);
            return soak.run();
        } catch (const std::exception& e) {
            std::cerr << "tivka-soak: " << e.what() << "\n";
            return 2;
        }
    });
}
