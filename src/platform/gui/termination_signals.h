#pragma once

#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>
#include <memory>

namespace tivka {

// Turns SIGTERM and SIGINT into closing the main window as the user would:
// any open modal box or dialog is dismissed first, then the window closes and
// its shut-down runs. The signal handler only writes a byte to a pipe; the
// closing happens on the window thread when the event loop (the main one, a
// dialog's, or a refresh cycle's message processing) next looks at it.
//
// installSignalPipe() goes first thing in main, so that a signal that comes
// early is kept until the window can act on it.
void installSignalPipe();

class SignalCloser final : public QObject {
    Q_OBJECT
public:
    SignalCloser();  // needs the application object and installSignalPipe()
    void setTarget(QWidget* window) { target_ = window; }
    bool requested() const { return requested_; }

private:
    void onSignal();

    std::unique_ptr<QSocketNotifier> notifier_;
    QPointer<QWidget> target_;
    bool requested_ = false;
};

}  // namespace tivka
