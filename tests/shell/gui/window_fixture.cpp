#include "window_fixture.h"

#include <fstream>
#include <sstream>

#include "chart/bmp_codec.h"
#include "chart/png_codec.h"
#include "chart_server/chart_server.h"

namespace tivka::test {

bool FakeChartDownloader::download(const std::string& url, const std::string& fileName)
{
    urls.push_back(url);
    if (onDownload)
        onDownload(url);
    if (!reachable)
        return false;
    const auto file = charts::ParseChartFileName(url.substr(url.rfind('/') + 1));
    if (!file || servePages) {
        writeFile(fileName, "<html><body>Not Found</body></html>");
        return true;
    }
    EncodePngFile(charts::ChartPicture(*file, 7, "12:30"), fileName);
    return true;
}

std::vector<bool> FakeChartDownloader::downloadAll(const std::vector<DownloadJob>& jobs)
{
    std::vector<bool> results;
    for (const DownloadJob& job : jobs)
        results.push_back(download(job.url, job.fileName));
    return results;
}

WindowTest::WindowTest() : settingsFile((dir / "tivka.INI").string()) {}

WindowTest::~WindowTest()
{
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
    services.historyPath = historyPath;
    services.openWorkbook = [this](const std::string& path) { openedWorkbooks.push_back(path); };
    window = std::make_unique<MainWindow>(services);
    return *window;
}

MainWindow& WindowTest::startWindow(bool trayAvailable)
{
    MainWindow& form = makeWindow(trayAvailable);
    form.startUp();
    return form;
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
