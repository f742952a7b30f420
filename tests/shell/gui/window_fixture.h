#pragma once

#include <QCoreApplication>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QTimer>

#include "shell/gui/chart_canvas.h"
#include "shell/gui/main_window.h"
#include "shell/gui/state_line.h"
#include "support/fake_chart_downloader.h"
#include "support/manual_clock.h"
#include "support/recorded_messages.h"
#include "support/scripted_modals.h"
#include "support/test_support.h"

namespace tivka::test {

// A main window in a fresh current folder holding the digit template, with
// every outside piece replaced.
class WindowTest : public ::testing::Test {
protected:
    WindowTest();
    ~WindowTest() override;

    void writeTemplate();  // a valid "ndata.bmp" in the current folder
    MainWindow& makeWindow(bool trayAvailable = false);
    // makeWindow + startUp + show, then waits for the first refresh.
    MainWindow& startWindow(bool trayAvailable = false);
    // Lets the window's events through until no refresh runs (at most 20 s).
    void waitForRefresh();
    void refreshByButton() { refreshButton()->click(), waitForRefresh(); }
    void periodicTick() { QMetaObject::invokeMethod(timer("periodicTimer"), "timeout"), waitForRefresh(); }
    void intoTray() { window->trayIconDoubleClicked(), settle(); }
    // Lets the window's events through until a download waits on a hold.
    bool waitUntilHeld();

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
    QPushButton* refreshButton() const { return find<QPushButton>("refreshButton"); }
    QPushButton* calculateButton() const { return find<QPushButton>("calculateButton"); }
    QLabel* refreshBanner() const { return find<QLabel>("refreshBanner"); }
    ChartCanvas* chartCanvas() const { return find<ChartCanvas>("chartCanvas"); }
    QComboBox* pairBox() const { return find<QComboBox>("pairBox"); }
    QLineEdit* ordersFilter() const { return find<QLineEdit>("ordersFilter"); }
    QAction* action(const char* name) const { return find<QAction>(name); }
    QTimer* timer(const char* name) const { return find<QTimer>(name); }
    QSystemTrayIcon* trayIcon() const { return find<QSystemTrayIcon>("trayIcon"); }
    // The state line's whole text (the line itself may show it cut).
    std::string state() const { return find<StateLine>("dataStateLine")->line().toStdString(); }
    std::filesystem::path settingsPath() const { return dir / "tivka.INI"; }
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
    std::unique_ptr<MainWindow> window;
};

}  // namespace tivka::test
