#include "platform/gui/qt_text_painter.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QString>

#include "platform/gui/bitmap_image.h"

namespace tivka {

void QtTextPainter::drawText(Bitmap& target, int x, int y, int fontSize, std::string_view text)
{
    if (target.empty() || text.empty())
        return;
    QImage image = toQImage(target);
    {
        QFont font;
        font.setPointSize(fontSize > 0 ? fontSize : 8);
        font.setStyleStrategy(QFont::NoAntialias);
        const QString qtext = QString::fromUtf8(text.data(), qsizetype(text.size()));
        const QFontMetrics metrics(font);
        const QRect box(x, y, metrics.horizontalAdvance(qtext), metrics.height());
        QPainter painter(&image);
        painter.setFont(font);
        painter.fillRect(box, Qt::white);
        painter.setPen(Qt::black);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, qtext);
    }
    target = fromQImage(image);
}

}  // namespace tivka
