#include <QApplication>
#include <QDesktopServices>
#include <QSystemTrayIcon>
#include <QUrl>
#include <clocale>

#include "acquisition/download.h"
#include "platform/clock.h"
#include "platform/gui/modal_runner.h"
#include "platform/gui/qt_user_messages.h"
#include "platform/gui/termination_signals.h"
#include "platform/numeric_locale.h"
#include "history/history_store.h"
#include "platform/paths.h"
#include "shell/gui/main_window.h"

int main(int argc, char** argv)
{
    tivka::installSignalPipe();
    // Read before Qt sets the locale from the environment; numbers are then
    // converted with "." throughout the program, whatever the user's locale.
    const std::string systemSeparator = tivka::SystemDecimalSeparator();
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    app.setQuitOnLastWindowClosed(false);
    tivka::SignalCloser signalCloser;

    tivka::CurlDownloader downloader;
    tivka::QtModalRunner modals;
    tivka::QtUserMessages messages(modals);
    tivka::SystemClock clock;
    tivka::MainWindowServices services;
    services.settingsPath = tivka::SettingsPathFor(tivka::ProgramPath());
    services.systemSeparator = systemSeparator;
    services.downloader = &downloader;
    services.messages = &messages;
    services.modals = &modals;
    services.clock = &clock;
    services.trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    services.historyPath = tivka::DefaultHistoryPath();
    // Workbooks are opened with the desktop's own program for them.
    services.openWorkbook = [](const std::string& path) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
    };

    tivka::MainWindow window(services);
    QObject::connect(&window, &tivka::MainWindow::shutDownFinished, &app, &QCoreApplication::quit);
    messages.setParent(&window);
    signalCloser.setTarget(&window);
    window.startUp();
    if (signalCloser.requested() && !window.isShutDown())
        window.close();
    if (window.isShutDown())
        return 0;
    window.createDialogs();
    window.show();
    return app.exec();
}
