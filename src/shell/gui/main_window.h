#pragma once

#include <QMainWindow>
#include <exception>
#include <memory>
#include <string>

#include "platform/user_messages.h"
#include "shell/chart_display.h"
#include "shell/program_state.h"

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

// What the main window works through; tests substitute every piece.
struct MainWindowServices {
    std::string settingsPath;           // read at start-up, written at shut-down
    std::string systemSeparator = ".";  // the user's decimal separator, read before Qt touched the locale
    Downloader* downloader = nullptr;
    UserMessages* messages = nullptr;
    ModalRunner* modals = nullptr;
    Clock* clock = nullptr;
    bool trayAvailable = false;         // minimising hides the window only when a tray can show it
    // Opens a written workbook with the desktop's program for it.
    std::function<void(const std::string& path)> openWorkbook;
    // The history database every complete reading goes into; empty keeps no
    // history (and "История" says so).
    std::string historyPath;
};

// The main window. Every handler the window system calls runs through
// guarded(): an error ends that handler, its message is shown through
// UserMessages, and the program goes on.
//
// Re-entry: a refresh lets window messages through at three points (and
// inside any message box it shows). A refresh, recalculation or spreadsheet
// export requested there is skipped, not queued: the refresh about to finish
// brings fresh figures anyway, and skipping keeps a nested request from ever
// seeing the charts the refresh is replacing.
//
// Controls are found by their object names: "ordersPane", "positionsPane",
// "chartCanvas", "pairBox", "ordersFilter", "positionsFilter",
// "ordersAtLeast"/"ordersAtMost", "positionsAtLeast"/"positionsAtMost",
// "ordersCumulative"/"ordersNonCumulative", "positionsCumulative"/
// "positionsNonCumulative", "refreshButton", "calculateButton",
// "refreshBanner", "exportBanner", the menu entries "saveAction",
// "exitAction", "autoRefreshAction", "addressAction", "exportAction",
// "historyAction", "aboutAction", the tray menu's "trayRefreshAction" and "trayExitAction",
// and "trayIcon".
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(MainWindowServices services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up, run once before the window is shown: reads the settings,
    // loads the digit template, runs the first refresh and arms the timers.
    // Errors are reported and end the sequence where they occur.
    void startUp();
    // Creates the dialogs (after startUp, as the program starts them).
    void createDialogs();
    // Shut-down; runs once, when the window closes: writes the settings.
    void shutDown();
    bool isShutDown() const { return shutDown_; }

    const ProgramState& state() const { return state_; }
    bool refreshRunning() const { return refreshDepth_ > 0; }
    bool trayHooksInstalled() const { return trayHooksInstalled_; }
    const AutoRefresh& autoRefresh() const { return *autoRefresh_; }

    // Commands.
    void refresh();               // "Обновить": fetch, read and show both charts, serve the indicators
    void calculate();             // "Расчет": read the charts in memory again
    void refreshFromTray();       // tray "Обновить": restore the window, then refresh
    void exportToSpreadsheet();   // "Exel"
    void savePicture();           // "Файл" -> "Сохранить"
    void openAutoRefresh();       // "Параметры" -> "Автообновление"
    void editChartAddress();      // "Параметры" -> "Настройка"
    void showAbout();             // "О программе"
    void openHistory();           // "История": the history window for the pair shown
    void trayIconDoubleClicked();
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
    void buildFilterGroups(QWidget* client);
    void buildVariantGroups(QWidget* client);
    void buildBanners(QWidget* client);
    void buildMenus();
    void buildTray();
    void connectHandlers();
    void placeCentred();
    void reportError(const std::string& text);
    void processMessages();
    void fetchDisplayCharts();
    void serveIndicators();
    void recalculate(bool record = false);
    void startHistory();
    void recordReading(ChartKind kind, const ChartReading& reading);
    ShownChart showChart(ChartKind kind);
    void minimiseToTray();
    void restoreFromTray();
    DisplayInputs displayInputs(ChartKind kind) const;
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
    int refreshDepth_ = 0;
    bool trayHooksInstalled_ = false;
    bool shutDown_ = false;

    QPlainTextEdit* ordersPane_ = nullptr;
    QPlainTextEdit* positionsPane_ = nullptr;
    ChartCanvas* chartCanvas_ = nullptr;
    QRadioButton* ordersAtMost_ = nullptr;
    QRadioButton* ordersAtLeast_ = nullptr;
    QRadioButton* positionsAtMost_ = nullptr;
    QRadioButton* positionsAtLeast_ = nullptr;
    QRadioButton* ordersCumulative_ = nullptr;
    QRadioButton* positionsCumulative_ = nullptr;
    QLineEdit* ordersFilter_ = nullptr;
    QLineEdit* positionsFilter_ = nullptr;
    QPushButton* refreshButton_ = nullptr;
    QPushButton* calculateButton_ = nullptr;
    QComboBox* pairBox_ = nullptr;
    QLabel* refreshBanner_ = nullptr;
    QLabel* exportBanner_ = nullptr;
    QAction* saveAction_ = nullptr;
    QAction* exitAction_ = nullptr;
    QAction* autoRefreshAction_ = nullptr;
    QAction* addressAction_ = nullptr;
    QAction* exportAction_ = nullptr;
    QAction* aboutAction_ = nullptr;
    QAction* historyAction_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    QAction* trayRefreshAction_ = nullptr;
    QAction* trayExitAction_ = nullptr;
    QSystemTrayIcon* trayIcon_ = nullptr;
    AboutDialog* aboutDialog_ = nullptr;
    ChartAddressDialog* addressDialog_ = nullptr;
};

}  // namespace tivka
