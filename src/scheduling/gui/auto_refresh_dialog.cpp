#include "scheduling/gui/auto_refresh_dialog.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

namespace tivka {
namespace {

QFrame* makeBevel(QWidget* parent, const char* name, int top)
{
    auto* bevel = new QFrame(parent);
    bevel->setObjectName(name);
    bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bevel->setGeometry(5, top, 254, 33);
    return bevel;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int left, int top)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont large = label->font();
    large.setPointSize(10);
    label->setFont(large);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QLineEdit* makeEdit(QWidget* parent, const char* name, int top)
{
    auto* edit = new QLineEdit(QStringLiteral("00"), parent);
    edit->setObjectName(name);
    edit->setGeometry(136, top, 49, 21);
    return edit;
}

QCheckBox* makeCheckBox(QWidget* parent, const char* name, int top)
{
    auto* box = new QCheckBox(parent);
    box->setObjectName(name);
    box->setGeometry(240, top, 17, 17);
    return box;
}

}  // namespace

TForm2::TForm2(QWidget* parent) : QDialog(parent)
{
    setObjectName("Form2");
    setWindowTitle(QStringLiteral("Автообновление"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(kClientWidth, kClientHeight);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    // The labels are created before the edits so that each edit lies over
    // the blank gap its label leaves for it.
    Bevel1 = makeBevel(this, "Bevel1", 16);
    Label1 = makeLabel(this, "Label1",
                       QStringLiteral("Обновлять каждые") + QString(20, ' ') + QStringLiteral("минут"), 8, 24);
    Edit1 = makeEdit(this, "Edit1", 24);
    CheckBox1 = makeCheckBox(this, "CheckBox1", 24);

    Bevel2 = makeBevel(this, "Bevel2", 56);
    Label2 = makeLabel(this, "Label2",
                       QStringLiteral("Обновлять в") + QString(21, ' ') + QStringLiteral("минут"), 47, 64);
    Edit2 = makeEdit(this, "Edit2", 63);
    CheckBox2 = makeCheckBox(this, "CheckBox2", 65);

    Button1 = new QPushButton(QStringLiteral("Ok"), this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(88, 96, 83, 25);
    Button1->setDefault(true);
}

void TForm2::showEvent(QShowEvent* event)
{
    // Centred on the screen, not over the main window.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TForm2::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace tivka
