#include "chart/gui/qt_text_painter.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QString>

#include "chart/gui/bitmap_image.h"

namespace tivka {

void DrawCanvasText(QImage& canvas, int x, int y, const QString& text, const QFont& font)
{
    const QFontMetrics metrics(font);
    const QRect box(x, y, metrics.horizontalAdvance(text), metrics.height());
    QPainter painter(&canvas);
    painter.setFont(font);
    painter.fillRect(box, Qt::white);
    painter.setPen(Qt::black);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

void QtTextPainter::drawText(Bitmap& target, int x, int y, int fontSize, std::string_view text)
{
    if (target.empty() || text.empty())
        return;
    QImage image = toQImage(target);
    QFont font;
    font.setPointSize(fontSize > 0 ? fontSize : 8);
    font.setStyleStrategy(QFont::NoAntialias);
    DrawCanvasText(image, x, y, QString::fromUtf8(text.data(), qsizetype(text.size())), font);
    target = fromQImage(image);
}

}  // namespace tivka
