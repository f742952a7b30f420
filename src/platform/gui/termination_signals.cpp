#include "platform/gui/termination_signals.h"

#include <QApplication>
#include <QWidget>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace tivka {
namespace {

int signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

// Closes every modal widget, innermost first.
void dismissModalWidgets()
{
    // A widget that refuses to close is hidden, so the loop always ends.
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (!modal->close())
            modal->hide();
    }
}

}  // namespace

void installSignalPipe()
{
    if (signalPipe[0] >= 0)
        return;
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("Cannot create the signal pipe");
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

SignalCloser::SignalCloser()
{
    if (signalPipe[0] < 0)
        throw std::logic_error("installSignalPipe() must run first");
    notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &SignalCloser::onSignal);
}

void SignalCloser::onSignal()
{
    char bytes[64];
    while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
    }
    requested_ = true;
    dismissModalWidgets();
    if (handler_)
        handler_();
}

}  // namespace tivka
