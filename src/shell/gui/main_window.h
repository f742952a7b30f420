#pragma once

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <exception>
#include <memory>
#include <string>

#include "platform/user_messages.h"
#include "shell/program_state.h"

namespace tivka {

class AutoRefresh;
class ChartCanvas;
class CursorReadout;
class PictureSaver;
class Clock;
class Downloader;
class ModalRunner;
class TForm3;
class TForm4;

// What the main window works through; tests substitute every piece.
struct Form1Services {
    std::string settingsPath;           // the settings file, read at start-up, written at shut-down
    std::string systemSeparator = ".";  // the user's decimal separator, read before Qt touched the locale
    Downloader* downloader = nullptr;
    UserMessages* messages = nullptr;
    ModalRunner* modals = nullptr;
    Clock* clock = nullptr;
    bool trayAvailable = false;         // minimising hides the window only when a tray can show it
};

// The main window. Every handler the window system calls runs through
// guarded(): an error ends that handler, its message is shown through
// UserMessages, and the program goes on.
//
// Re-entry: a refresh cycle lets window messages through at three points (and
// inside any message box it shows). A refresh, recalculation or spreadsheet
// transfer requested there is skipped, not queued: the cycle about to finish
// brings fresh figures anyway, and skipping keeps a nested request from ever
// seeing the bitmaps the cycle is releasing or rebuilding.
class TForm1 final : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(Form1Services services, QWidget* parent = nullptr);
    ~TForm1() override;

    // Start-up sequence, run once before the window is shown. Errors are
    // reported and end the sequence where they occur.
    void FormCreate();
    // Creates the dialogs (after FormCreate, as the program starts them).
    void createForms();
    // Shut-down sequence; runs once, when the window closes.
    void FormDestroy();
    bool isShutDown() const { return shutDown_; }

    ProgramState& state() { return state_; }
    bool refreshRunning() const { return refreshDepth_ > 0; }
    bool hooksInstalled() const { return hooksInstalled_; }
    AutoRefresh& autoRefresh() { return *autoRefresh_; }

    // Handlers.
    void Button1Click();  // the refresh cycle
    void Button3Click();  // "Расчет"
    void ReCalc();
    void LoadImage();
    void Orders();
    void Position();
    void N1Click();
    void N5Click();
    void N7Click();
    void N8Click();
    void N9Click();
    void Button2Click();
    void URL1Click();
    void Exel1Click();
    void CoolTrayIcon1DblClick();
    void AppMinimize();
    void AppRestore();
    void Image1MouseMove(int x, int y);
    void CMMouseLeave();

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

    // Controls, named as the user-facing layout names them.
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;  // orders readout
    QPlainTextEdit* Memo2 = nullptr;  // positions readout
    ChartCanvas* Image1 = nullptr;
    QFrame* Bevel2 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    QRadioButton* RB_Men = nullptr;
    QRadioButton* RB_bol = nullptr;
    QRadioButton* RB_Men2 = nullptr;
    QRadioButton* RB_bol2 = nullptr;
    QRadioButton* RB_noncum = nullptr;
    QRadioButton* RB_cum = nullptr;
    QRadioButton* RB_noncum2 = nullptr;
    QRadioButton* RB_cum2 = nullptr;
    QLineEdit* Eproc = nullptr;
    QLineEdit* Eproc2 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button3 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLabel* Panel1 = nullptr;
    QLabel* Panel2 = nullptr;

    QMenu* N2 = nullptr;  // "Файл"
    QAction* N9 = nullptr;
    QAction* N10 = nullptr;
    QAction* N4 = nullptr;
    QMenu* N6 = nullptr;  // "Параметры"
    QAction* N7 = nullptr;
    QAction* URL1 = nullptr;
    QAction* Exel1 = nullptr;
    QAction* N8 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* N5 = nullptr;
    QAction* N3 = nullptr;
    QAction* N1 = nullptr;
    QSystemTrayIcon* CoolTrayIcon1 = nullptr;

    TForm3* Form3 = nullptr;
    TForm4* Form4 = nullptr;

signals:
    // The shut-down sequence has run: the program ends now. (The program does
    // not end when its last window closes, since a message box closing while
    // the window sits in the tray would otherwise end it.)
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
    void armTimers();
    void disarmTimers();
    void runSaveData();
    void releaseAll();
    ScreenReaderInputs readerInputs(QLineEdit* threshold, QRadioButton* atLeast, QRadioButton* atMost) const;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Gives up on the running work once the window has been closed nested.
    bool stopped() const { return shutDown_; }

    Form1Services services_;
    ProgramState state_;
    std::unique_ptr<TextPainter> painter_;
    std::unique_ptr<AutoRefresh> autoRefresh_;
    std::unique_ptr<CursorReadout> cursor_;
    std::unique_ptr<PictureSaver> saver_;
    int refreshDepth_ = 0;
    bool hooksInstalled_ = false;
    bool shutDown_ = false;
};

}  // namespace tivka
