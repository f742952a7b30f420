#include "window_fixture.h"

#include <QDeadlineTimer>
#include <fstream>
#include <sstream>

#include "chart/bmp_codec.h"
#include "chart/png_codec.h"
#include "chart_server/chart_server.h"

namespace tivka::test {

DownloadOutcome FakeChartDownloader::download(const std::string& url, const std::string& fileName)
{
    urls.push_back(url);
    if (onDownload)
        onDownload(url);
    DownloadOutcome outcome;
    if (!waitWhileHeld()) {
        outcome.cancelled = true;
        return outcome;
    }
    if (!reachable) {
        outcome.error = "Couldn't connect to server";
        return outcome;
    }
    outcome.opened = true;
    outcome.status = 200;
    const auto file = charts::ParseChartFileName(url.substr(url.rfind('/') + 1));
    if (!file || servePages) {
        writeFile(fileName, "<html><body>Not Found</body></html>");
        return outcome;
    }
    charts::ChartModel model = charts::ChartModelFor(*file, 7, "12:30");
    if (alterModel)
        alterModel(model);
    EncodePngFile(charts::RenderChart(model), fileName);
    return outcome;
}

std::vector<DownloadOutcome> FakeChartDownloader::downloadAll(const std::vector<DownloadJob>& jobs,
                                                              const std::function<void(std::size_t)>& onDone)
{
    std::vector<DownloadOutcome> results;
    for (const DownloadJob& job : jobs) {
        results.push_back(download(job.url, job.fileName));
        if (onDone)
            onDone(results.size() - 1);
    }
    return results;
}

void FakeChartDownloader::cancel()
{
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    changed_.notify_all();
}

void FakeChartDownloader::resume()
{
    std::lock_guard lock(mutex_);
    cancelled_ = false;
}

void FakeChartDownloader::hold()
{
    std::lock_guard lock(mutex_);
    held_ = true;
}

void FakeChartDownloader::release()
{
    std::lock_guard lock(mutex_);
    held_ = false;
    changed_.notify_all();
}

bool FakeChartDownloader::waitWhileHeld()
{
    std::unique_lock lock(mutex_);
    waiting_ = held_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !held_ || cancelled_; });
    waiting_ = false;
    return !cancelled_;
}

bool FakeChartDownloader::waitUntilHeld()
{
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        {
            std::lock_guard lock(mutex_);
            if (waiting_)
                return true;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return false;
}

WindowTest::WindowTest() : settingsFile((dir / "tivka.INI").string()) {}

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
    services.systemSeparator = ".";
    services.downloader = activeDownloader;
    services.messages = &messages;
    services.modals = &modals;
    services.clock = &clock;
    services.trayAvailable = trayAvailable;
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

std::vector<std::string> WindowTest::settingsLines() const
{
    std::vector<std::string> lines;
    std::istringstream text(readFile(settingsFile));
    for (std::string line; std::getline(text, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find('=') != std::string::npos)
            lines.push_back(line);
    }
    return lines;
}

}  // namespace tivka::test
