// Start-up, shut-down, the refresh cycle and the recalculation.
#include "shell/gui/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>

#include "acquisition/download.h"
#include "platform/gui/qt_text_painter.h"
#include "platform/ini_file.h"
#include "reading/chart_reader.h"
#include "export/gui/picture_saver.h"
#include "reading/gui/cursor_readout.h"
#include "scheduling/gui/auto_refresh.h"
#include "shell/gui/chart_canvas.h"

namespace tivka {
namespace {

// Memo1 / Memo2 as the readers' line sink.
class MemoLines final : public LineSink {
public:
    explicit MemoLines(QPlainTextEdit* memo) : memo_(memo) {}
    void clear() override { memo_->clear(); }
    void addLine(const std::string& line) override { memo_->appendPlainText(QString::fromStdString(line)); }

private:
    QPlainTextEdit* memo_;
};

// Marks a refresh as running for as long as it is in scope, also when it ends
// by an error.
class RunningRefresh {
public:
    explicit RunningRefresh(int& depth) : depth_(depth) { ++depth_; }
    ~RunningRefresh() { --depth_; }
    RunningRefresh(const RunningRefresh&) = delete;
    RunningRefresh& operator=(const RunningRefresh&) = delete;

private:
    int& depth_;
};

}  // namespace

TForm1::TForm1(Form1Services services, QWidget* parent)
    : QMainWindow(parent), services_(std::move(services)), painter_(std::make_unique<QtTextPainter>())
{
    buildControls();
    autoRefresh_ = std::make_unique<AutoRefresh>(
        state_.settings, state_.MinuteFired, *services_.messages, *services_.modals, *services_.clock, N7,
        [this] { Button1Click(); }, this, [this](const std::function<void()>& handler) { guarded(handler); });
    cursor_ = std::make_unique<CursorReadout>(Image1->canvas(), *this);
    saver_ = std::make_unique<PictureSaver>(*services_.modals, this);
    connectHandlers();
}

TForm1::~TForm1() = default;

void TForm1::reportError(const std::string& text)
{
    services_.messages->showMessage(text);
}

void TForm1::processMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TForm1::FormCreate()
{
    guarded([this] {
        state_.spreadsheet.channel.ExcelExport = false;
        IniFile iniFile(services_.settingsPath);
        READINI(iniFile, state_.settings, services_.systemSeparator);
        state_.digits = DigitTemplate::load("ndata.bmp");
        hooksInstalled_ = true;
        state_.WindowShown = true;
        {
            RunningRefresh running(refreshDepth_);
            LoadImage();
            if (stopped())
                return;
            runSaveData();
        }
        if (stopped())
            return;
        Panel1->hide();
        Panel2->hide();
        state_.MinuteFired = 0;
        armTimers();
    });
    // Shown only now, so that no tray click can bring the window up while
    // start-up is still running.
    if (services_.trayAvailable && !shutDown_)
        CoolTrayIcon1->show();
}

void TForm1::FormDestroy()
{
    disarmTimers();
    CoolTrayIcon1->hide();
    try {
        IniFile iniFile(services_.settingsPath);
        SAVEINI(iniFile, state_.settings);
    } catch (...) {
        releaseAll();
        throw;
    }
    releaseAll();
}

void TForm1::releaseAll()
{
    state_.digits = DigitTemplate();
    state_.images.reset();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (!shutDown_) {
        shutDown_ = true;
        guarded([this] { FormDestroy(); });
        emit shutDownFinished();
    }
    event->accept();
}

void TForm1::Button1Click()
{
    if (refreshRunning() || stopped())
        return;
    RunningRefresh running(refreshDepth_);
    processMessages();
    if (stopped())
        return;
    Panel1->show();
    Panel1->raise();
    Panel1->repaint();
    processMessages();
    if (stopped())
        return;
    state_.images.reset();  // the bitmaps and ImagesLoaded go together
    processMessages();
    if (stopped())
        return;
    LoadImage();
    if (stopped())
        return;
    runSaveData();
    Panel1->hide();
}

void TForm1::Button3Click()
{
    if (refreshRunning())
        return;
    ReCalc();
}

void TForm1::LoadImage()
{
    state_.images.reset();
    Button3->setEnabled(true);
    DisplayChartRequest request;
    request.chartUrl = state_.settings.ChartURL;
    request.pairText = ComboBox1->currentText().toStdString();
    request.ordersCumulative = RB_cum->isChecked();
    request.positionsCumulative = RB_cum2->isChecked();
    std::optional<WorkingBitmaps> fetched = FetchDisplayCharts(request, *services_.downloader);
    if (!fetched) {
        services_.messages->showMessage("Ошибка при загрузке графиков!");
        return;
    }
    state_.images = std::move(fetched);
    ReCalc();
}

void TForm1::runSaveData()
{
    const Settings& settings = state_.settings;
    UpdatePassConfig config;
    config.chartUrl = settings.ChartURL;
    config.mt4Dirs = {settings.Mt4Dir1, settings.Mt4Dir2, settings.Mt4Dir3};
    config.ordersCumulative = RB_cum->isChecked();
    config.positionsCumulative = RB_cum2->isChecked();
    config.decimalSymbol = settings.DecimalSymbol;
    config.systemSeparator = services_.systemSeparator;
    SaveData(config, state_.digits, state_.indicator, *services_.downloader, *services_.messages);
}

void TForm1::ReCalc()
{
    state_.spreadsheet.channel.ExcelExport = false;
    if (!state_.ImagesLoaded())
        return;
    Orders();
    Position();
}

ScreenReaderInputs TForm1::readerInputs(QLineEdit* threshold, QRadioButton* atLeast, QRadioButton* atMost) const
{
    ScreenReaderInputs inputs;
    inputs.thresholdText = threshold->text().toStdString();
    inputs.atLeast = atLeast->isChecked();
    inputs.atMost = atMost->isChecked();
    inputs.pairText = ComboBox1->currentText().toStdString();
    inputs.decimalSymbol = state_.settings.DecimalSymbol;
    inputs.systemSeparator = services_.systemSeparator;
    return inputs;
}

void TForm1::Orders()
{
    WorkingBitmaps& images = *state_.images;
    MemoLines memo(Memo1);
    ReadChartOnScreen(ChartKind::Orders, images.OrdersBitmap, images.OrdersView, state_.digits, state_.windowSet1,
                      *painter_, readerInputs(Eproc, RB_bol, RB_Men), memo, state_.orders, state_.spreadsheet.channel);
    Image1->drawView(images.OrdersView, 258, 0);
}

void TForm1::Position()
{
    WorkingBitmaps& images = *state_.images;
    MemoLines memo(Memo2);
    ReadChartOnScreen(ChartKind::Positions, images.PositionsBitmap, images.PositionsView, state_.digits,
                      state_.windowSet1, *painter_, readerInputs(Eproc2, RB_bol2, RB_Men2), memo, state_.positions,
                      state_.spreadsheet.channel);
    Image1->drawView(images.PositionsView, 0, 0);
}

}  // namespace tivka
