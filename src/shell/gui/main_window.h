#pragma once

#include <QMainWindow>
#include <deque>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/user_messages.h"
#include "shell/data_state.h"
#include "shell/failure_text.h"
#include "shell/pane_reading.h"
#include "shell/program_state.h"
#include "shell/refresh.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSystemTrayIcon;

namespace tivka {

struct Worksheet;
class AboutDialog;
class AutoRefresh;
class ChartAddressDialog;
class ChartCanvas;
class Clock;
class CursorReadout;
class Downloader;
class HistoryRecorder;
class ModalRunner;
class PictureSaver;
class StateLine;
class ThresholdField;

// What the main window works through; tests substitute every piece.
struct MainWindowServices {
    std::string settingsPath;           // written at shut-down
    LoadedSettings settings;            // as read from it before the window was made
    std::string systemSeparator = ".";  // the user's decimal separator, read before Qt touched the locale
    Downloader* downloader = nullptr;
    UserMessages* messages = nullptr;
    ModalRunner* modals = nullptr;
    Clock* clock = nullptr;
    // Whether a notification area is there now (one may come or go while
    // Tivka runs): minimising hides the window only when a tray can show it.
    std::function<bool()> trayAvailable = [] { return false; };
    // Opens a written workbook with the desktop's program for it; false when
    // no program could.
    std::function<bool(const std::string& path)> openWorkbook;
    // Tells something in the notification area; empty: the tray icon's own
    // notification.
    std::function<void(const std::string& text)> trayNotice;
    // The history database every complete reading goes into; empty keeps no
    // history (and "История" says so).
    std::string historyPath;
    // When set, gets every complete reading as well (the interface's latest
    // readings), from any thread.
    ReadingRecorder* alsoRecord = nullptr;
    // When set, told every event of every refresh on the window's thread
    // (the interface's health).
    RefreshSink listener;
    // What went wrong before the window was made, shown at start-up.
    std::vector<std::string> notices;
    // Where errors go once a termination signal closes the window, when no
    // box may wait; empty: standard error, after "tivka: ".
    std::function<void(const std::string& text)> consoleReport;
};

// Who asked for a refresh: its failures are shown in message boxes when the
// user is there to read them, and only in the state line (and a tray
// notification) when a timer started it.
enum class RefreshOrigin { User, Timer, StartUp };

// The main window. Every handler the window system calls runs through
// guarded(): an error ends that handler, its message is shown through
// UserMessages, and the program goes on. Messages are shown one at a time,
// in the order they came.
//
// A refresh waits for the network on a worker thread (RunRefresh) while the
// window goes on working; what the worker finds reaches the window as queued
// events. A refresh, recalculation or spreadsheet export asked for while a
// refresh runs is skipped, not queued: the refresh about to finish brings
// fresh figures anyway. The charts shown stay until new ones have arrived.
// Cancelling (the banner's button, Escape, closing the window) ends the
// transfers at once.
//
// Controls are found by their object names: "ordersPane", "positionsPane",
// "chartCanvas", "pairBox", "ordersFilter", "positionsFilter",
// "ordersAtLeast"/"ordersAtMost", "positionsAtLeast"/"positionsAtMost",
// "ordersCumulative"/"ordersNonCumulative", "positionsCumulative"/
// "positionsNonCumulative", "refreshButton", "calculateButton",
// "refreshBanner" (with "cancelRefreshButton"), "exportBanner", the state
// line "dataStateLine", the menu entries "saveAction",
// "exitAction", "autoRefreshAction", "addressAction", "exportAction",
// "historyAction", "aboutAction", the tray menu's "trayShowAction", "trayRefreshAction" and "trayExitAction",
// and "trayIcon".
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(MainWindowServices services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up, run once before the window is shown: tells what settings
    // were refused, loads the digit template, arms the timers and starts the
    // first refresh,
    // which runs behind the window. Errors are reported and end the sequence
    // where they occur.
    void startUp();
    // Creates the dialogs (after startUp, as the program starts them).
    void createDialogs();
    // Shut-down; runs once, when the window closes: cancels a running
    // refresh and waits for its worker, then writes the settings.
    void shutDown();
    bool isShutDown() const { return shutDown_; }
    // Closing on a termination signal: as close(), but every error from now
    // on, the shut-down's included, goes to the console report instead of a
    // box, so that the program ends without waiting for anyone.
    void closeForSignal();

    const ProgramState& state() const { return state_; }
    bool refreshRunning() const { return refreshDepth_ > 0; }
    const AutoRefresh& autoRefresh() const { return *autoRefresh_; }

    // Commands.
    void refresh();               // "Обновить": fetch, read and show both charts, serve the indicators
    void refreshFromTimer();      // the same, reporting failures without a message box
    void cancelRefresh();         // the banner's "Отмена" and Escape
    void calculate();             // "Расчет": read the charts in memory again
    void refreshFromTray();       // tray "Обновить": restore the window, then refresh
    void exportToSpreadsheet();   // "Exel"
    void savePicture();           // "Файл" -> "Сохранить"
    void openAutoRefresh();       // "Параметры" -> "Автообновление"
    void editChartAddress();      // "Параметры" -> "Настройка"
    void showAbout();             // "О программе"
    void openHistory();           // "История": the history window for the pair shown
    void trayIconClicked();        // restores the window (a click that was the first of a double click included)
    void trayIconDoubleClicked();  // into the tray, or back out of it
    void bringToFront();          // out of the tray, in front of other windows
    void pointerMovedOverChart(int x, int y);
    void pointerLeft();

    // The general error report: runs `handler`, reporting any error it raises.
    template <class Handler>
    void guarded(Handler&& handler)
    {
        try {
            handler();
        } catch (const std::exception& error) {
            reportError(error.what());
        }
    }

signals:
    // New readings were committed to the history (from the writer thread,
    // delivered on the window's).
    void historyStored();
    // The shut-down has run: the program ends now. (The program does not end
    // when its last window closes, since a message box closing while the
    // window sits in the tray would otherwise end it.)
    void shutDownFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    void buildChartControls(QWidget* client, ChartKind kind);
    void buildBanners(QWidget* client);
    void buildStateLine();
    void buildMenus();
    void buildTray();
    void connectHandlers();
    void placeCentred();
    void reportError(const std::string& text);
    void reportOnConsole(const std::string& text);
    void showPendingMessages();
    void pumpEvents();
    void startRefresh(RefreshOrigin origin);
    bool templateReady(RefreshOrigin origin);
    RefreshRequest refreshRequest() const;
    void joinWorker();
    void handle(RefreshEvent event);
    void showProgress();
    void displayFetched(DisplayFetched fetched);
    void indicatorPairFailed(const PairFailed& failed);
    void refreshFinished();
    void reportRefreshFailures();
    void updateStateLine();
    void showStateDetails();
    void updateTrayTip();
    void applyChoices(const WindowChoices& choices);
    WindowChoices currentChoices() const;
    void recalculate();
    std::optional<ChartFailure> showCharts(bool record);
    void startHistory();
    void recordReading(ChartKind kind, const ChartReading& reading);
    ShownChart showChart(ChartKind kind);
    void writeWorkbook(const Worksheet& sheet);
    void minimiseToTray();
    PaneInputs paneInputs(ChartKind kind) const;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Gives up on the running work once the window has been closed nested.
    bool stopped() const { return shutDown_; }

    MainWindowServices services_;
    ProgramState state_;
    std::unique_ptr<TextPainter> painter_;
    AutoRefresh* autoRefresh_ = nullptr;
    std::unique_ptr<CursorReadout> cursor_;
    std::unique_ptr<PictureSaver> saver_;
    std::unique_ptr<HistoryRecorder> history_;
    std::unique_ptr<RecorderTee> recorder_;  // the history and services_.alsoRecord
    int refreshDepth_ = 0;
    int chartsFetched_ = 0;  // the banner's count
    int chartsToFetch_ = 0;
    bool trayHooksInstalled_ = false;
    bool shutDown_ = false;
    bool signalled_ = false;  // closing on a termination signal: no boxes
    bool restoredByClick_ = false;  // the click of a double click that is still coming restored the window
    RefreshOrigin refreshOrigin_ = RefreshOrigin::User;
    RefreshRequest refreshRequest_;  // what the running refresh fetches
    std::thread worker_;
    DataState dataState_;
    std::string layoutTold_;  // the layout warning the last refresh found
    RefreshFailures refreshFailures_;  // of the running refresh, told once it ends
    std::deque<std::string> pendingMessages_;
    bool showingMessages_ = false;

    // The controls of one chart's side of the window.
    struct ChartControls {
        QPlainTextEdit* pane = nullptr;
        ThresholdField* filter = nullptr;
        QRadioButton* atLeast = nullptr;
        QRadioButton* atMost = nullptr;
        QRadioButton* cumulative = nullptr;
        QRadioButton* nonCumulative = nullptr;
    };
    PerChart<ChartControls> controls_;
    ChartCanvas* chartCanvas_ = nullptr;
    QPushButton* refreshButton_ = nullptr;
    QPushButton* calculateButton_ = nullptr;
    QComboBox* pairBox_ = nullptr;
    QLabel* refreshBanner_ = nullptr;
    QLabel* exportBanner_ = nullptr;
    StateLine* stateLine_ = nullptr;
    QAction* saveAction_ = nullptr;
    QAction* exitAction_ = nullptr;
    QAction* autoRefreshAction_ = nullptr;
    QAction* addressAction_ = nullptr;
    QAction* exportAction_ = nullptr;
    QAction* aboutAction_ = nullptr;
    QAction* historyAction_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    QAction* trayShowAction_ = nullptr;
    QAction* trayRefreshAction_ = nullptr;
    QAction* trayExitAction_ = nullptr;
    QSystemTrayIcon* trayIcon_ = nullptr;
    AboutDialog* aboutDialog_ = nullptr;
    ChartAddressDialog* addressDialog_ = nullptr;
};

}  // namespace tivka
