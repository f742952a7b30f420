// The Windows implementation of the signals of a program without a window:
// Ctrl+C, Ctrl+Break, closing the console, logging off and shutting down end
// the program as SIGTERM does on Linux. Windows has nothing like SIGHUP, so
// Reload never comes.
#include "platform/process_signals.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace tivka {

namespace {

struct Signals {
    std::function<void()> onStop;
    std::mutex mutex;
    std::condition_variable changed;
    bool stop = false;
    bool ended = false;  // the object is gone: the program has wound up
};

std::mutex installed;
std::condition_variable handlerLeft;
Signals* current = nullptr;  // guarded by `installed`
int runningHandlers = 0;                   // guarded by `installed`

// Windows runs this on a thread of its own. For a closed console, a log-off
// or a shut-down the process is ended as soon as it returns, so it waits
// (within the few seconds Windows allows) until the program has wound up.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    Signals* state = nullptr;
    {
        std::lock_guard lock(installed);
        if (!current)
            return FALSE;
        state = current;
        ++runningHandlers;
    }
    bool firstStop = false;
    {
        std::lock_guard stateLock(state->mutex);
        firstStop = !state->stop;
        state->stop = true;
    }
    state->changed.notify_all();
    if (firstStop && state->onStop)
        state->onStop();
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        std::unique_lock stateLock(state->mutex);
        state->changed.wait_for(stateLock, std::chrono::seconds(4), [state] { return state->ended; });
    }
    {
        std::lock_guard lock(installed);
        --runningHandlers;
    }
    handlerLeft.notify_all();
    return TRUE;
}

}  // namespace

struct ProcessSignals::State : Signals {};

Result<std::unique_ptr<ProcessSignals>> ProcessSignals::Install(std::function<void()> onStop)
{
    std::lock_guard lock(installed);
    if (current)
        return Status(Status::Code::Busy, "signals", "already installed in this process");
    auto state = std::make_unique<State>();
    state->onStop = std::move(onStop);
    current = state.get();
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    return std::unique_ptr<ProcessSignals>(new ProcessSignals(std::move(state)));
}

ProcessSignals::ProcessSignals(std::unique_ptr<State> state) : state_(std::move(state)) {}

ProcessSignals::~ProcessSignals()
{
    ::SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    {
        std::lock_guard stateLock(state_->mutex);
        state_->ended = true;
    }
    state_->changed.notify_all();
    // A handler under way finishes before the state goes.
    std::unique_lock lock(installed);
    current = nullptr;
    handlerLeft.wait(lock, [] { return runningHandlers == 0; });
}

ProcessSignals::Wake ProcessSignals::wait(double seconds)
{
    std::unique_lock lock(state_->mutex);
    state_->changed.wait_for(lock, std::chrono::duration<double>(seconds > 0 ? seconds : 0),
                             [this] { return state_->stop; });
    return state_->stop ? Wake::Stop : Wake::Time;
}

bool ProcessSignals::stopRequested() const
{
    std::lock_guard lock(state_->mutex);
    return state_->stop;
}

bool ProcessSignals::takeReload()
{
    return false;
}

}  // namespace tivka
