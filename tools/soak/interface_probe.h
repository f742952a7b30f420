#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace tivka::soak {

// Asks the feed's JSON interface, over and over on a thread of its own, for
// /v1/health and the latest orders reading of one pair, and counts the
// answers: every one must be 200, during a pass and between passes alike.
class InterfaceProbe {
public:
    explicit InterfaceProbe(int port);
    ~InterfaceProbe();
    InterfaceProbe(const InterfaceProbe&) = delete;
    InterfaceProbe& operator=(const InterfaceProbe&) = delete;

    // The pair whose latest reading is asked for (none until set).
    void askFor(const std::string& pairText);
    // Whether a pass runs now, for the counts.
    void passRunning(bool running) { passRunning_ = running; }
    // Holds the probing until resume() (the probe under way finished and its
    // connection closed), so that the feed's descriptors can be counted.
    void pause();
    void resume();

    int probes() const { return probes_; }
    int probesDuringPasses() const { return duringPasses_; }
    int failures() const { return failures_; }

private:
    void probe();
    bool ask(const std::string& target);

    int port_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string pair_;
    bool paused_ = false;
    bool probing_ = false;
    bool stop_ = false;
    std::atomic<bool> passRunning_{false};
    std::atomic<int> probes_{0};
    std::atomic<int> duringPasses_{0};
    std::atomic<int> failures_{0};
    std::thread thread_;
};

}  // namespace tivka::soak
