#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace tivka {

// Turns SIGTERM and SIGINT into closing the main window: any open modal box
// or dialog is dismissed first, then the handler runs (the window closes
// without waiting for a box: nobody is there to close one). The signal
// handler only writes a byte to a pipe; the closing happens on the window
// thread when the event loop (the main one, or a dialog's) next looks at it.
//
// installSignalPipe() goes first thing in main, so that a signal that comes
// early is kept until the window can act on it.
void installSignalPipe();

class SignalCloser final : public QObject {
    Q_OBJECT
public:
    SignalCloser();  // needs the application object and installSignalPipe()
    // What a signal does once every modal widget is gone.
    void setHandler(std::function<void()> handler) { handler_ = std::move(handler); }
    bool requested() const { return requested_; }

private:
    void onSignal();

    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> handler_;
    bool requested_ = false;
};

}  // namespace tivka
