#pragma once

#include <QCoreApplication>
#include <filesystem>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <condition_variable>
#include <map>
#include <mutex>
#include <stdexcept>
#include <memory>
#include <string>
#include <vector>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QTimer>

#include "acquisition/download.h"
#include "chart_server/chart_renderer.h"
#include "platform/user_messages.h"
#include "shell/gui/chart_canvas.h"
#include "shell/gui/main_window.h"
#include "support/manual_clock.h"
#include "support/recorded_messages.h"
#include "support/scripted_modals.h"
#include "support/test_support.h"

namespace tivka::test {

// Serves synthetic charts as the broker's server would, without a network:
// the file name at the end of the address chooses the picture. Downloads
// run on the refresh's worker thread; while `hold()` is in force they wait,
// as on a server that does not answer, until `release()` or cancel().
class FakeChartDownloader final : public Downloader {
public:
    DownloadOutcome download(const std::string& url, const std::string& fileName) override;
    std::vector<DownloadOutcome> downloadAll(const std::vector<DownloadJob>& jobs,
                                             const std::function<void(std::size_t)>& onDone) override;
    void cancel() override;
    void resume() override;

    void hold();
    void release();
    // Waits (letting the window's events through) until a download waits.
    bool waitUntilHeld();

    bool reachable = true;
    bool servePages = false;          // an HTML page in place of every picture
    std::vector<std::string> urls;    // every address asked for, in order (read once no refresh runs)
    std::function<void(const std::string& url)> onDownload;  // runs on the worker before each fetch
    std::function<void(charts::ChartModel&)> alterModel;     // changes what is drawn

private:
    bool waitWhileHeld();  // false when cancelled

    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    bool waiting_ = false;
    bool cancelled_ = false;
};

// A main window in a fresh current folder, with every outside piece replaced.
class WindowTest : public ::testing::Test {
protected:
    WindowTest();
    ~WindowTest() override;

    void writeTemplate();  // a valid "ndata.bmp" in the current folder
    MainWindow& makeWindow(bool trayAvailable = false);
    // makeWindow + startUp, then waits for the first refresh.
    MainWindow& startWindow(bool trayAvailable = false);
    // Lets the window's events through until no refresh runs (at most 20 s).
    void waitForRefresh();

    // A control of the window by its object name; throws when there is none.
    template <class T>
    T* find(const char* name) const
    {
        T* found = window->findChild<T*>(name);
        if (!found)
            throw std::logic_error(std::string("the window has no ") + name);
        return found;
    }
    QPlainTextEdit* ordersPane() const { return find<QPlainTextEdit>("ordersPane"); }
    QPlainTextEdit* positionsPane() const { return find<QPlainTextEdit>("positionsPane"); }
    QPushButton* refreshButton() const { return find<QPushButton>("refreshButton"); }
    QPushButton* calculateButton() const { return find<QPushButton>("calculateButton"); }
    QLabel* refreshBanner() const { return find<QLabel>("refreshBanner"); }
    QLabel* exportBanner() const { return find<QLabel>("exportBanner"); }
    ChartCanvas* chartCanvas() const { return find<ChartCanvas>("chartCanvas"); }
    QComboBox* pairBox() const { return find<QComboBox>("pairBox"); }
    QLineEdit* ordersFilter() const { return find<QLineEdit>("ordersFilter"); }
    QAction* action(const char* name) const { return find<QAction>(name); }
    QSystemTrayIcon* trayIcon() const { return find<QSystemTrayIcon>("trayIcon"); }
    QTimer* timer(const char* name) const { return find<QTimer>(name); }
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
    std::string historyPath;  // empty: the window keeps no history
    std::vector<std::string> openedWorkbooks;
    bool workbooksOpen = true;  // whether a program opens a written workbook
    std::vector<std::string> trayNotices;
    QLabel* stateLine() const { return find<QLabel>("dataStateLine"); }
    std::unique_ptr<MainWindow> window;
};

}  // namespace tivka::test
