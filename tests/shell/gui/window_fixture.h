#pragma once

#include <QCoreApplication>
#include <filesystem>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/download.h"
#include "platform/gui/modal_runner.h"
#include "platform/user_messages.h"
#include "scheduling/clock.h"
#include "shell/gui/main_window.h"
#include "support/recorded_messages.h"
#include "support/test_support.h"

namespace tivka::test {

// Serves synthetic charts as the broker's server would, without a network:
// the file name at the end of the address chooses the picture.
class FakeChartDownloader final : public Downloader {
public:
    bool download(const std::string& url, const std::string& fileName) override;
    std::vector<bool> downloadAll(const std::vector<DownloadJob>& jobs) override;

    bool reachable = true;
    bool servePages = false;          // an HTML page in place of every picture
    std::vector<std::string> urls;    // every address asked for, in order
    std::function<void(const std::string& url)> onDownload;  // runs before each fetch
};

// A main window in a fresh current folder, with every outside piece replaced.
class WindowTest : public ::testing::Test {
protected:
    WindowTest();
    ~WindowTest() override;

    void writeTemplate();  // a valid "ndata.bmp" in the current folder
    TForm1& makeWindow(bool trayAvailable = false);
    TForm1& startWindow(bool trayAvailable = false);  // makeWindow + FormCreate
    std::filesystem::path settingsPath() const { return dir / "tivka.INI"; }
    // Key=value lines of the settings file, in file order.
    std::vector<std::string> settingsLines() const;
    static void settle() { QCoreApplication::processEvents(); }

    TempDir dir;
    ScopedCurrentDir inDir{dir.path()};
    FakeChartDownloader downloader;
    Downloader* activeDownloader = &downloader;  // what the window fetches through
    test::RecordedMessages messages;
    ScriptedModalRunner modals;
    ManualClock clock;
    std::string settingsFile;
    std::unique_ptr<TForm1> window;
};

}  // namespace tivka::test
