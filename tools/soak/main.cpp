// tivka-soak: the indicator pass through a simulated day of 5-minute
// refreshes against the chart server, with faults injected at random: 404
// pages, stalls, pictures cut short, error pages in place of pictures, slow
// answers and a pair that vanishes for a while. After every pass it checks
// that the pass ended within its bounds and that every pair whose charts came
// without a fault was served; all the while a watcher checks that no request
// flag ever says "2" over a data file that is not complete. At the end it
// checks that open file descriptors and resident memory did not grow.
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

#include <unistd.h>

#include "acquisition/pair_naming.h"
#include "chart_server/chart_renderer.h"
#include "chart_server/chart_server.h"
#include "common/options.h"
#include "export/indicator_pass.h"

namespace {

namespace fs = std::filesystem;
using namespace tivka;

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

int openDescriptors()
{
    return int(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

std::string clockText(int minuteOfDay)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", minuteOfDay / 60 % 24, minuteOfDay % 60);
    return text;
}

// Runs the passes and checks each; returns the number of failed checks.
struct Soak {
    explicit Soak(Options chosen) : options(chosen), plan(chosen.seed) {}

    Options options;
    FaultPlan plan;
    fs::path root = fs::temp_directory_path() / ("tivka-soak-" + std::to_string(::getpid()));
    std::vector<fs::path> folders;
    IndicatorPassConfig config;
    int failedChecks = 0;
    int served = 0;
    int skipped = 0;
    double longestPass = 0;

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
            config.folders[std::size_t(i)] = {folder.string() + "/", true};
            folders.push_back(folder);
            for (const char* pair : kPairList)
                std::ofstream(folder / ("ir" + PairCode(pair) + ".dat")) << "0";
        }
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

    int run()
    {
        prepareFolders();
        fs::current_path(root);
        charts::ChartServerOptions serverOptions;
        serverOptions.seed = options.seed;
        serverOptions.stallMs = kStallMs;
        serverOptions.slowMs = kSlowMs;
        serverOptions.faultFor = [this](const charts::ChartFile& file) { return plan.faultFor(file); };
        const int passes = options.hours * 60 / kPassMinutes;
        std::string time = clockText(0);
        serverOptions.fixedTime = time;
        DownloadLimits limits;
        limits.stallSeconds = 1;
        CurlDownloader downloader(limits);
        const DigitTemplate digits(charts::DigitTemplateBitmap());
        IndicatorPass indicators;
        int descriptorsAtStart = 0;
        long memoryAtStart = 0;
        FlagWatcher watcher(folders);
        for (int pass = 0; pass < passes; ++pass) {
            time = clockText(pass * kPassMinutes);
            serverOptions.fixedTime = time;
            charts::ChartServer chartServer(serverOptions);  // a fresh chart time every pass
            chartServer.start();
            config.chartUrl =
                "http://127.0.0.1:" + std::to_string(chartServer.port()) + std::string(charts::kChartFolder);
            plan.startPass(pass, passes);
            const auto start = std::chrono::steady_clock::now();
            indicators.serve(config, digits, downloader, [](RefreshEvent) {});  // the checks look at the files
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            chartServer.stop();
            checkPass(pass, time, seconds);
            if (pass == 0) {  // after the first pass has loaded everything once
                descriptorsAtStart = openDescriptors();
                memoryAtStart = residentKiB();
            }
        }
        watcher.stop();
        report(passes, descriptorsAtStart, memoryAtStart, watcher);
        fs::current_path(fs::temp_directory_path());
        fs::remove_all(root);
        return failedChecks == 0 ? 0 : 1;
    }

    void report(int passes, int descriptorsAtStart, long memoryAtStart, const FlagWatcher& watcher)
    {
        const int descriptorsAtEnd = openDescriptors();
        const long memoryAtEnd = residentKiB();
        if (descriptorsAtEnd > descriptorsAtStart)
            fail("open descriptors grew from " + std::to_string(descriptorsAtStart) + " to " +
                 std::to_string(descriptorsAtEnd));
#ifndef __SANITIZE_ADDRESS__  // the sanitizer's quarantine holds freed memory on purpose
        if (memoryAtEnd > memoryAtStart + 8 * 1024)
            fail("resident memory grew from " + std::to_string(memoryAtStart) + " to " + std::to_string(memoryAtEnd) +
                 " KiB");
#endif
        if (watcher.violations() > 0)
            fail(std::to_string(watcher.violations()) + " times a flag said 2 over an incomplete data file");
        std::cout << passes << " passes (" << options.hours << " simulated hours), longest " << longestPass
                  << " s\nfaults injected:";
        for (const auto& [fault, count] : plan.counts())
            if (fault != charts::ChartFault::None)
                std::cout << " " << faultName(fault) << " " << count;
        std::cout << "\npairs served " << served << ", skipped for a fault " << skipped << " (every pass, "
                  << kFolders << " folders each)\nflag checks " << watcher.looks() << ", violations "
                  << watcher.violations() << "\nopen descriptors " << descriptorsAtStart << " -> " << descriptorsAtEnd
                  << ", resident memory " << memoryAtStart << " -> " << memoryAtEnd << " KiB\n"
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
