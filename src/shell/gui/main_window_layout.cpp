// The main window's controls, menus and tray icon, placed as the traders know
// them: positions readout left, chart picture centre, orders readout right,
// selectors and buttons along the bottom.
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QSystemTrayIcon>

#include "acquisition/pair_naming.h"
#include "shell/gui/app_icon.h"
#include "shell/gui/chart_canvas.h"
#include "shell/gui/main_window.h"
#include "shell/gui/state_line.h"
#include "shell/gui/threshold_field.h"

#include <algorithm>

namespace tivka {
namespace {

constexpr int kClientWidth = 817;
constexpr int kClientHeight = 598;
constexpr int kEditHeight = 21;
constexpr int kRadioHeight = 17;

template <class Widget>
Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(name);
    return widget;
}

QLabel* heading(QWidget* parent, const char* name, const QString& text, int x, int y)
{
    auto* label = named(new QLabel(text, parent), name);
    QFont font = label->font();
    font.setPointSize(10);
    label->setFont(font);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QLabel* smallLabel(QWidget* parent, const char* name, const QString& text, int x, int y)
{
    auto* label = named(new QLabel(text, parent), name);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QPlainTextEdit* readout(QWidget* parent, const char* name, int x)
{
    auto* memo = named(new QPlainTextEdit(parent), name);
    memo->setGeometry(x, 24, 137, 513);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setReadOnly(true);  // typing into a pane would change nothing but the text
    return memo;
}

QRadioButton* radio(QWidget* parent, const char* name, const QString& text, int x, int y, bool checked)
{
    auto* button = named(new QRadioButton(text, parent), name);
    button->move(x, y);
    button->resize(button->sizeHint().width(), kRadioHeight);
    button->setChecked(checked);
    return button;
}

// At least as wide as the traders' layout has it, wider where the font needs
// it to show three digits.
ThresholdField* percentEdit(QWidget* parent, const char* name, int x, int y)
{
    auto* edit = named(new ThresholdField(parent), name);
    edit->setGeometry(x, y, std::max(28, edit->minimumWidth()), kEditHeight);
    return edit;
}

QGroupBox* group(QWidget* parent, const char* name, int x, int y, int width, int height)
{
    auto* box = named(new QGroupBox(parent), name);
    box->setGeometry(x, y, width, height);
    return box;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, int x, int y)
{
    auto* push = named(new QPushButton(text, parent), name);
    push->setGeometry(x, y, 81, 25);
    return push;
}

QLabel* banner(QWidget* parent, const char* name, const QString& text, int y, int height)
{
    auto* panel = named(new QLabel(text, parent), name);
    panel->setGeometry(216, y, 369, height);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);
    panel->setAlignment(Qt::AlignCenter);
    panel->setAutoFillBackground(true);
    QFont font = panel->font();
    font.setPointSize(12);
    font.setBold(true);
    panel->setFont(font);
    QPalette colours = panel->palette();
    colours.setColor(QPalette::WindowText, Qt::blue);
    panel->setPalette(colours);
    panel->hide();
    return panel;
}

// Where each chart's controls sit: positions on the left, orders on the right.
struct SidePlace {
    std::string prefix;  // of the object names
    QString heading;
    int headingLeft;
    int paneLeft;
    int filterLeft;
    int atLeastLeft;
    int variantLeft;
};
const PerChart<SidePlace> kSides{{
    SidePlace{"orders", QStringLiteral("Ордера"), 711, 672, 664, 97, 499},
    SidePlace{"positions", QStringLiteral("Позиции"), 34, 8, 16, 98, 158},
}};

QAction* separator(QMenu* menu, const char* name)
{
    QAction* action = menu->addSeparator();
    action->setObjectName(name);
    return action;
}

QAction* entry(QWidget* menu, const char* name, const QString& text)
{
    auto* action = named(new QAction(text, menu), name);
    menu->addAction(action);
    return action;
}

}  // namespace

void MainWindow::buildControls()
{
    setObjectName("mainWindow");
    setWindowTitle(QStringLiteral("Тивка v2.6"));
    setWindowIcon(TivkaIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    auto* client = named(new QWidget(this), "clientArea");
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    for (ChartKind kind : {ChartKind::Positions, ChartKind::Orders}) {
        const SidePlace& place = kSides[kind];
        heading(client, (place.prefix + "Heading").c_str(), place.heading, place.headingLeft, 5);
        controls_[kind].pane = readout(client, (place.prefix + "Pane").c_str(), place.paneLeft);
    }
    chartCanvas_ = named(new ChartCanvas(client), "chartCanvas");
    chartCanvas_->move(152, 8);

    auto* frame = named(new QFrame(client), "bottomFrame");
    frame->setGeometry(8, 541, 801, 54);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);

    for (ChartKind kind : {ChartKind::Positions, ChartKind::Orders})
        buildChartControls(client, kind);

    refreshButton_ = button(client, "refreshButton", QStringLiteral("Обновить"), 328, 568);
    pairBox_ = named(new QComboBox(client), "pairBox");
    pairBox_->setEditable(true);
    pairBox_->setInsertPolicy(QComboBox::NoInsert);  // a typed pair is used, not added to the list
    for (const char* pair : kPairList)
        pairBox_->addItem(QString::fromUtf8(pair));
    pairBox_->setCurrentText(QStringLiteral("GBP/USD"));
    pairBox_->setGeometry(362, 544, 105, kEditHeight);
    calculateButton_ = button(client, "calculateButton", QStringLiteral("Расчет"), 416, 568);
    calculateButton_->setEnabled(false);

    buildBanners(client);
    buildMenus();
    buildTray();
    buildStateLine();
    const int menuHeight = menuBar()->sizeHint().height();
    setFixedSize(kClientWidth, kClientHeight + menuHeight + statusBar()->sizeHint().height());
    placeCentred();
}

// A chart's filter (">=" or "<=" a percentage) and its variant.
void MainWindow::buildChartControls(QWidget* client, ChartKind kind)
{
    const SidePlace& place = kSides[kind];
    const auto name = [&](const char* what) { return place.prefix + what; };
    ChartControls& side = controls_[kind];
    auto* filter = group(client, name("FilterGroup").c_str(), place.filterLeft, 545, 137, 40);
    side.atMost = radio(filter, name("AtMost").c_str(), QStringLiteral("<="), 9, 13, false);
    side.filter = percentEdit(filter, name("Filter").c_str(), 49, 11);
    const int percentLeft = side.filter->geometry().right() + 3;
    QLabel* percent = smallLabel(filter, name("PercentSign").c_str(), QStringLiteral("%"), percentLeft, 14);
    const int atLeastLeft = std::max(place.atLeastLeft, percent->geometry().right() + 4);
    side.atLeast = radio(filter, name("AtLeast").c_str(), QStringLiteral(">="), atLeastLeft, 14, true);

    auto* variant = group(client, name("VariantGroup").c_str(), place.variantLeft, 546, 159, 31);
    side.nonCumulative = radio(variant, name("NonCumulative").c_str(), QStringLiteral("без нак."), 6, 9, true);
    side.cumulative = radio(variant, name("Cumulative").c_str(), QStringLiteral("с накоп."), 81, 9, false);
}

void MainWindow::buildBanners(QWidget* client)
{
    // The refresh banner lies over the empty band at the top of both charts
    // (beyond their last price level), so that the price, the time and the
    // scale stay in view while a refresh waits.
    refreshBanner_ = banner(client, "refreshBanner", QStringLiteral("Обновление данных"), 10, 38);
    exportBanner_ = banner(client, "exportBanner", QStringLiteral("Передача в данных в Exel"), 176, 73);
    // A refresh waiting on a slow server can be given up from the banner.
    auto* cancel = named(new QPushButton(QStringLiteral("Отмена"), refreshBanner_), "cancelRefreshButton");
    cancel->setFont(font());
    cancel->setGeometry(refreshBanner_->width() - 76, (refreshBanner_->height() - 22) / 2, 70, 22);
    // The text starts at the left, clear of the button however long the count.
    refreshBanner_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    refreshBanner_->setIndent(24);
    connect(cancel, &QPushButton::clicked, this, &MainWindow::cancelRefresh);
}

void MainWindow::buildStateLine()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName("statusBar");
    bar->setSizeGripEnabled(false);
    stateLine_ = named(new StateLine(bar), "dataStateLine");
    bar->addWidget(stateLine_, 1);
}

void MainWindow::buildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName("menuBar");
    QMenu* file = named(bar->addMenu(QStringLiteral("Файл")), "fileMenu");
    saveAction_ = entry(file, "saveAction", QStringLiteral("Сохранить"));
    saveAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    separator(file, "fileSeparator");
    exitAction_ = entry(file, "exitAction", QStringLiteral("Выход"));
    exitAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    QMenu* settings = named(bar->addMenu(QStringLiteral("Параметры")), "settingsMenu");
    autoRefreshAction_ = entry(settings, "autoRefreshAction", QStringLiteral("Автообновление"));
    autoRefreshAction_->setCheckable(true);
    addressAction_ = entry(settings, "addressAction", QStringLiteral("Настройка"));
    exportAction_ = entry(bar, "exportAction", QStringLiteral("Exel"));
    historyAction_ = entry(bar, "historyAction", QStringLiteral("История"));
    aboutAction_ = entry(bar, "aboutAction", QStringLiteral("О программе"));

    trayMenu_ = named(new QMenu(this), "trayMenu");
    trayShowAction_ = entry(trayMenu_, "trayShowAction", QStringLiteral("Показать"));
    trayRefreshAction_ = entry(trayMenu_, "trayRefreshAction", QStringLiteral("Обновить"));
    separator(trayMenu_, "traySeparator");
    trayExitAction_ = entry(trayMenu_, "trayExitAction", QStringLiteral("Выход"));
}

void MainWindow::buildTray()
{
    trayIcon_ = named(new QSystemTrayIcon(TivkaIcon(), this), "trayIcon");
    trayIcon_->setContextMenu(trayMenu_);
    trayIcon_->setToolTip(QStringLiteral("Тивка"));
}

void MainWindow::placeCentred()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

}  // namespace tivka
