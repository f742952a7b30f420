// The main window's controls, menus and tray icon, placed as the traders know
// them: positions readout left, chart picture centre, orders readout right,
// selectors and buttons along the bottom.
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>

#include "export/update_pass.h"
#include "shell/gui/app_icon.h"
#include "shell/gui/chart_canvas.h"
#include "shell/gui/main_window.h"

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

QLineEdit* percentEdit(QWidget* parent, const char* name, int x, int y)
{
    auto* edit = named(new QLineEdit(QStringLiteral("50"), parent), name);
    edit->setGeometry(x, y, 28, kEditHeight);
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

QLabel* banner(QWidget* parent, const char* name, const QString& text, int y)
{
    auto* panel = named(new QLabel(text, parent), name);
    panel->setGeometry(216, y, 369, 73);
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

void TForm1::buildControls()
{
    setObjectName("Form1");
    setWindowTitle(QStringLiteral("Тивка v2.6"));
    setWindowIcon(TivkaIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    auto* client = named(new QWidget(this), "ClientArea");
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    Label2 = heading(client, "Label2", QStringLiteral("Позиции"), 34, 5);
    Memo2 = readout(client, "Memo2", 8);
    Image1 = named(new ChartCanvas(client), "Image1");
    Image1->move(152, 8);
    Label1 = heading(client, "Label1", QStringLiteral("Ордера"), 711, 5);
    Memo1 = readout(client, "Memo1", 672);

    Bevel2 = named(new QFrame(client), "Bevel2");
    Bevel2->setGeometry(8, 541, 801, 54);
    Bevel2->setFrameStyle(QFrame::Box | QFrame::Sunken);

    buildFilterGroups(client);
    buildVariantGroups(client);

    Button1 = button(client, "Button1", QStringLiteral("Обновить"), 328, 568);
    ComboBox1 = named(new QComboBox(client), "ComboBox1");
    ComboBox1->setEditable(true);
    for (const char* pair : kPairList)
        ComboBox1->addItem(QString::fromUtf8(pair));
    ComboBox1->setCurrentText(QStringLiteral("GBP/USD"));
    ComboBox1->setGeometry(362, 544, 105, kEditHeight);
    Button3 = button(client, "Button3", QStringLiteral("Расчет"), 416, 568);
    Button3->setEnabled(false);

    buildBanners(client);
    buildMenus();
    buildTray();
    const int menuHeight = menuBar()->sizeHint().height();
    setFixedSize(kClientWidth, kClientHeight + menuHeight);
    placeCentred();
}

void TForm1::buildFilterGroups(QWidget* client)
{
    GroupBox4 = group(client, "GroupBox4", 16, 545, 137, 40);
    RB_Men2 = radio(GroupBox4, "RB_Men2", QStringLiteral("<="), 9, 13, false);
    Eproc2 = percentEdit(GroupBox4, "Eproc2", 49, 11);
    Label4 = smallLabel(GroupBox4, "Label4", QStringLiteral("%"), 79, 14);
    RB_bol2 = radio(GroupBox4, "RB_bol2", QStringLiteral(">="), 98, 14, true);

    GroupBox2 = group(client, "GroupBox2", 664, 545, 137, 40);
    RB_Men = radio(GroupBox2, "RB_Men", QStringLiteral("<="), 9, 13, false);
    Eproc = percentEdit(GroupBox2, "Eproc", 49, 11);
    Label3 = smallLabel(GroupBox2, "Label3", QStringLiteral("%"), 79, 14);
    RB_bol = radio(GroupBox2, "RB_bol", QStringLiteral(">="), 97, 14, true);
}

void TForm1::buildVariantGroups(QWidget* client)
{
    GroupBox1 = group(client, "GroupBox1", 158, 546, 159, 31);
    RB_noncum2 = radio(GroupBox1, "RB_noncum2", QStringLiteral("без нак."), 6, 9, true);
    RB_cum2 = radio(GroupBox1, "RB_cum2", QStringLiteral("с накоп."), 81, 9, false);

    GroupBox3 = group(client, "GroupBox3", 499, 546, 159, 31);
    RB_noncum = radio(GroupBox3, "RB_noncum", QStringLiteral("без нак."), 6, 9, true);
    RB_cum = radio(GroupBox3, "RB_cum", QStringLiteral("с накоп."), 81, 9, false);
}

void TForm1::buildBanners(QWidget* client)
{
    Panel1 = banner(client, "Panel1", QStringLiteral("Обновление данных"), 248);
    Panel2 = banner(client, "Panel2", QStringLiteral("Передача в данных в Exel"), 176);
}

void TForm1::buildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");
    N2 = named(bar->addMenu(QStringLiteral("Файл")), "N2");
    N9 = entry(N2, "N9", QStringLiteral("Сохранить"));
    N10 = separator(N2, "N10");
    N4 = entry(N2, "N4", QStringLiteral("Выход"));
    N6 = named(bar->addMenu(QStringLiteral("Параметры")), "N6");
    N7 = entry(N6, "N7", QStringLiteral("Автообновление"));
    N7->setCheckable(true);
    URL1 = entry(N6, "URL1", QStringLiteral("Настройка"));
    Exel1 = entry(bar, "Exel1", QStringLiteral("Exel"));
    N8 = entry(bar, "N8", QStringLiteral("О программе"));

    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    N5 = entry(PopupMenu1, "N5", QStringLiteral("Обновить"));
    N3 = separator(PopupMenu1, "N3");
    N1 = entry(PopupMenu1, "N1", QStringLiteral("Выход"));
}

void TForm1::buildTray()
{
    CoolTrayIcon1 = named(new QSystemTrayIcon(TivkaIcon(), this), "CoolTrayIcon1");
    CoolTrayIcon1->setContextMenu(PopupMenu1);
}

void TForm1::placeCentred()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

}  // namespace tivka
