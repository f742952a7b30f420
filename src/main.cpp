#include <QApplication>
#include <QDesktopServices>
#include <QSystemTrayIcon>
#include <QUrl>
#include <clocale>
#include <iostream>

#include "acquisition/download.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/gui/instance_beacon.h"
#include "platform/gui/modal_runner.h"
#include "platform/gui/qt_translations.h"
#include "platform/gui/qt_user_messages.h"
#include "platform/gui/termination_signals.h"
#include "platform/numeric_locale.h"
#include "platform/paths.h"
#include "history/history_store.h"
#include "interface/interface_host.h"
#include "shell/settings.h"
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
    if (!tivka::InstallQtTranslations(app))
        std::cerr << "tivka: Qt's Russian translations (qtbase_ru.qm) are missing; its dialogs speak English\n";
    tivka::SignalCloser signalCloser;

    // One Tivka per working folder: two would write the same chart, data and
    // flag files at the same time. The lock goes with the process, however
    // it ends.
    const std::string folder = tivka::CurrentFolder();
    const QString beaconName = tivka::BeaconName(folder);
    const tivka::Result<tivka::FileLock> lock = tivka::FileLock::TryAcquire("tivka.lock");
    if (lock.status().code() == tivka::Status::Code::Busy) {
        // The holder may be a feed without a window, which no call reaches.
        const bool reached = tivka::InstanceBeacon::CallRunning(beaconName);
        std::cerr << "tivka: Tivka is already running in " << folder << " (" << lock.status().detail() << ")"
                  << (reached ? "; its window is brought to the front instead" : ", without a window") << "\n";
        return 1;
    }
    if (!lock.ok())
        std::cerr << "tivka: cannot lock " << folder << "/tivka.lock (" << lock.status().detail()
                  << "); a second Tivka in this folder would not be stopped\n";
    tivka::InstanceBeacon beacon(beaconName);

    // The settings come first, so that every service can be built to them.
    const tivka::Result<std::string> program = tivka::ProgramPath();
    if (!program.ok()) {
        std::cerr << "tivka: cannot find the program file: " << program.status().detail() << "\n";
        return 1;
    }
    const std::string settingsPath = tivka::SettingsPathFor(program.value());
    tivka::LoadedSettings settings = tivka::LoadSettings(settingsPath, systemSeparator);

    tivka::HttpDownloader downloader;
    tivka::QtModalRunner modals;
    tivka::QtUserMessages messages(modals);
    tivka::SystemClock clock;
    tivka::MainWindowServices services;
    services.settingsPath = settingsPath;
    services.settings = std::move(settings);
    services.systemSeparator = systemSeparator;
    services.downloader = &downloader;
    services.messages = &messages;
    services.modals = &modals;
    services.clock = &clock;
    services.trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    services.historyPath = tivka::DefaultHistoryPath();
    // Workbooks are opened with the desktop's own program for them.
    services.openWorkbook = [](const std::string& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
    };

    // The local JSON interface, when the settings ask for it.
    tivka::InterfaceHost interface(services.historyPath, clock);
    if (const std::string& address = services.settings.settings.listen; !address.empty()) {
        if (const tivka::Status listening = interface.start(address); listening.ok()) {
            services.alsoRecord = &interface.recorder();
            services.listener = interface.sink();
        } else {
            services.notices.push_back("Интерфейс JSON не запущен: " + listening.text());
        }
    }

    tivka::MainWindow window(services);
    QObject::connect(&window, &tivka::MainWindow::shutDownFinished, &app, &QCoreApplication::quit);
    messages.setParent(&window);
    signalCloser.setHandler([&window] { window.closeForSignal(); });
    QObject::connect(&beacon, &tivka::InstanceBeacon::called, &window, &tivka::MainWindow::bringToFront);
    window.startUp();
    if (signalCloser.requested() && !window.isShutDown())
        window.closeForSignal();
    if (window.isShutDown())
        return 0;
    window.createDialogs();
    window.show();
    return app.exec();
}
