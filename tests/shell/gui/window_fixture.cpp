#include "window_fixture.h"

#include <QDeadlineTimer>

#include "chart/bmp_codec.h"
#include "chart_server/chart_server.h"

namespace tivka::test {

WindowTest::WindowTest() : settingsFile((dir / "tivka.INI").string())
{
    writeTemplate();
}

WindowTest::~WindowTest()
{
    downloader.release();
    window.reset();
    settle();
}

void WindowTest::writeTemplate()
{
    WriteBmpFile(charts::DigitTemplateBitmap(), "ndata.bmp");
}

MainWindow& WindowTest::makeWindow(bool trayAvailable)
{
    MainWindowServices services;
    services.settingsPath = settingsFile;
    services.settings = LoadSettings(settingsFile, ".");
    services.systemSeparator.assign(1, '.');  // (assigning "." trips a false GCC 12 -Wrestrict warning)
    services.downloader = activeDownloader;
    services.messages = &messages;
    services.modals = &modals;
    services.clock = &clock;
    services.trayAvailable = [trayAvailable] { return trayAvailable; };
    services.trayNotice = [this](const std::string& text) { trayNotices.push_back(text); };
    services.openWorkbook = [this](const std::string& path) {
        openedWorkbooks.push_back(path);
        return workbooksOpen;
    };
    services.historyPath = historyPath;
    window = std::make_unique<MainWindow>(services);
    return *window;
}

MainWindow& WindowTest::startWindow(bool trayAvailable)
{
    MainWindow& form = makeWindow(trayAvailable);
    form.startUp();
    form.show();
    waitForRefresh();
    return form;
}

void WindowTest::waitForRefresh()
{
    QDeadlineTimer deadline(20000);
    while (window && window->refreshRunning() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    settle();
    if (window && window->refreshRunning())
        ADD_FAILURE() << "the refresh did not end within 20 s";
}

bool WindowTest::waitUntilHeld()
{
    QDeadlineTimer deadline(10000);
    while (!downloader.waiting() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    settle();
    return downloader.waiting();
}

}  // namespace tivka::test
