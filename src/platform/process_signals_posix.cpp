// The POSIX implementation of the signals of a program without a window.
#include "platform/process_signals.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace tivka {

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void onProcessSignal(int number)
{
    const int saved = errno;
    const char byte = static_cast<char>(number);
    [[maybe_unused]] ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

constexpr char kQuit = 0;  // written by the destructor to end the thread

}  // namespace

struct ProcessSignals::State {
    std::function<void()> onStop;
    std::mutex mutex;
    std::condition_variable changed;
    bool stop = false;
    bool reload = false;
    std::thread reader;

    void read()
    {
        for (;;) {
            char byte = 0;
            const ssize_t got = ::read(signalPipe[0], &byte, 1);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0 || byte == kQuit)
                return;
            bool firstStop = false;
            {
                std::lock_guard lock(mutex);
                if (byte == SIGHUP) {
                    reload = true;
                } else {
                    firstStop = !stop;
                    stop = true;
                }
            }
            changed.notify_all();
            if (firstStop && onStop)
                onStop();
        }
    }
};

Result<std::unique_ptr<ProcessSignals>> ProcessSignals::Install(std::function<void()> onStop)
{
    if (signalPipe[0] >= 0)
        return Status(Status::Code::Busy, "signals", "already installed in this process");
    if (::pipe2(signalPipe, O_CLOEXEC) != 0)
        return Status(Status::Code::IoError, "signal pipe", std::strerror(errno));
    struct sigaction action {};
    action.sa_handler = onProcessSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(number, &action, nullptr);
    auto state = std::make_unique<State>();
    state->onStop = std::move(onStop);
    state->reader = std::thread([raw = state.get()] { raw->read(); });
    return std::unique_ptr<ProcessSignals>(new ProcessSignals(std::move(state)));
}

ProcessSignals::ProcessSignals(std::unique_ptr<State> state) : state_(std::move(state)) {}

ProcessSignals::~ProcessSignals()
{
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    for (int number : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(number, &action, nullptr);
    [[maybe_unused]] ssize_t written = ::write(signalPipe[1], &kQuit, 1);
    state_->reader.join();
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

ProcessSignals::Wake ProcessSignals::wait(double seconds)
{
    std::unique_lock lock(state_->mutex);
    const auto woken = [this] { return state_->stop || state_->reload; };
    state_->changed.wait_for(lock, std::chrono::duration<double>(seconds > 0 ? seconds : 0), woken);
    if (state_->stop)
        return Wake::Stop;
    if (state_->reload)
        return Wake::Reload;
    return Wake::Time;
}

bool ProcessSignals::stopRequested() const
{
    std::lock_guard lock(state_->mutex);
    return state_->stop;
}

bool ProcessSignals::takeReload()
{
    std::lock_guard lock(state_->mutex);
    return std::exchange(state_->reload, false);
}

}  // namespace tivka
