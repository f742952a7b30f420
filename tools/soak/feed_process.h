#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>

namespace tivka::soak {

// tivka-feed run as a child process in a working folder, its standard error
// read line by line as it comes.
class FeedProcess {
public:
    // Starts `program` with `args` in `folder`, with `environment` added to
    // the soak's own ("NAME=value"). Throws when it cannot be started.
    FeedProcess(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
                const std::vector<std::string>& environment);
    ~FeedProcess();
    FeedProcess(const FeedProcess&) = delete;
    FeedProcess& operator=(const FeedProcess&) = delete;

    // The next line of standard error that starts with `prefix` (lines before
    // it are passed over and kept in `skipped`), or nothing when none came
    // within `patience` or the feed's standard error ended.
    std::optional<std::string> waitForLine(const std::string& prefix, std::chrono::milliseconds patience,
                                           std::vector<std::string>* skipped = nullptr);
    void signal(int number) const;

    // From /proc: the open descriptors and the resident memory in KiB.
    int openDescriptors() const;
    long residentKiB() const;

    // SIGTERM, then waits for it to end (SIGKILL after `patience`); its exit
    // status (-1 when it did not exit by itself) and the seconds it took.
    std::pair<int, double> terminate(std::chrono::milliseconds patience);

private:
    void readErrors(int fd);

    pid_t pid_ = -1;
    bool ended_ = false;
    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::string> lines_;
    bool closed_ = false;
};

}  // namespace tivka::soak
