#include "shell/gui/about_dialog.h"

#include <QFontMetrics>
#include <QStringList>
#include <QTextDocument>
#include <algorithm>

namespace tivka {
namespace {

// The description keeps its lines as written: where the toolkit's font runs
// wider than the field, a smaller size keeps every line whole.
void fitLinesToWidth(QPlainTextEdit* memo, const QStringList& lines)
{
    const int room = memo->width() - 2 * int(memo->document()->documentMargin()) - 2;
    QFont font = memo->font();
    for (double points = font.pointSizeF(); points >= 6; points -= 0.5) {
        font.setPointSizeF(points);
        const QFontMetrics metrics(font);
        int widest = 0;
        for (const QString& line : lines)
            widest = std::max(widest, metrics.horizontalAdvance(line));
        if (widest <= room)
            break;
    }
    memo->setFont(font);
}

}  // namespace

QStringList AboutLines()
{
    return {
        QStringLiteral("            Программа \"Тивка 2.6.0.1\""),
        QStringLiteral(" "),
        QStringLiteral("  Распознает цены и объемы позиций и"),
        QStringLiteral("  ордеров на графиках полученых с "),
        QStringLiteral(" сайта Тивки и передает  данные в "),
        QStringLiteral(" индикатор Тивка МТ4."),
    };
}

TForm3::TForm3(QWidget* parent) : QDialog(parent)
{
    setObjectName("Form3");
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(238, 227);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(8, 16, 217, 185);
    Memo1->setReadOnly(true);
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette colours = Memo1->palette();
    colours.setColor(QPalette::Base, palette().color(QPalette::Window));
    colours.setColor(QPalette::Text, Qt::blue);
    Memo1->setPalette(colours);
    Memo1->setPlainText(AboutLines().join('\n'));
    fitLinesToWidth(Memo1, AboutLines());

    Button1 = new QPushButton(QStringLiteral("Ok"), this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(80, 192, 75, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace tivka
