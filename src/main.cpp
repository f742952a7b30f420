#include <QApplication>
#include <QDesktopServices>
#include <QUrl>
#include <QSystemTrayIcon>
#include <clocale>

#include "acquisition/download.h"
#include "platform/gui/modal_runner.h"
#include "platform/gui/qt_user_messages.h"
#include "platform/spreadsheet_server.h"
#include "platform/system_paths.h"
#include "scheduling/clock.h"
#include "shell/gui/main_window.h"
#include "shell/gui/signal_closer.h"

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

    // The spreadsheet transfer writes its workbooks as files and opens them
    // with the desktop's own program for them.
    tivka::SpreadsheetServerOptions spreadsheet;
    spreadsheet.opener = [](const std::string& path) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
    };
    tivka::RegisterSpreadsheetServer(spreadsheet);

    tivka::CurlDownloader downloader;
    tivka::QtModalRunner modals;
    tivka::QtUserMessages messages(modals);
    tivka::SystemClock clock;
    tivka::Form1Services services;
    services.settingsPath = tivka::SettingsPathFor(tivka::ProgramPath());
    services.systemSeparator = systemSeparator;
    services.downloader = &downloader;
    services.messages = &messages;
    services.modals = &modals;
    services.clock = &clock;
    services.trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();

    tivka::TForm1 form1(services);
    QObject::connect(&form1, &tivka::TForm1::shutDownFinished, &app, &QCoreApplication::quit);
    messages.setParent(&form1);
    signalCloser.setTarget(&form1);
    form1.FormCreate();
    if (signalCloser.requested() && !form1.isShutDown())
        form1.close();
    if (form1.isShutDown())
        return 0;
    form1.createForms();
    form1.show();
    return app.exec();
}
