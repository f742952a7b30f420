#include "shell/gui/about_dialog.h"

#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QPushButton>
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

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("aboutDialog");
    setWindowTitle(QStringLiteral("О программе"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(238, 227);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    auto* description = new QPlainTextEdit(this);
    description->setObjectName("descriptionText");
    description->setGeometry(8, 16, 217, 185);
    description->setReadOnly(true);
    description->setFrameShape(QFrame::NoFrame);
    description->setLineWrapMode(QPlainTextEdit::NoWrap);
    description->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    description->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette colours = description->palette();
    colours.setColor(QPalette::Base, palette().color(QPalette::Window));
    colours.setColor(QPalette::Text, Qt::blue);
    description->setPalette(colours);
    description->setPlainText(AboutLines().join('\n'));
    fitLinesToWidth(description, AboutLines());

    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setObjectName("okButton");
    ok->setGeometry(80, 192, 75, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace tivka
