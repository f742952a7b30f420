#pragma once

#include <QCoreApplication>
#include <filesystem>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
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
#include "platform/user_messages.h"
#include "shell/gui/chart_canvas.h"
#include "shell/gui/main_window.h"
#include "support/manual_clock.h"
#include "support/recorded_messages.h"
#include "support/scripted_modals.h"
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
    MainWindow& makeWindow(bool trayAvailable = false);
    MainWindow& startWindow(bool trayAvailable = false);  // makeWindow + startUp

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
    std::unique_ptr<MainWindow> window;
};

}  // namespace tivka::test
