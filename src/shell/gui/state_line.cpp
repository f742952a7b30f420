#include "shell/gui/state_line.h"

#include <QMouseEvent>

namespace tivka {

StateLine::StateLine(QWidget* parent) : QLabel(parent)
{
    setMinimumWidth(1);  // the text is cut to the line, never the line stretched to the text
}

void StateLine::setState(const QString& line, const QString& details)
{
    line_ = line;
    details_ = details;
    setToolTip(details_);
    setCursor(details_.isEmpty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
    showElided();
}

void StateLine::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    showElided();
}

void StateLine::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && !details_.isEmpty())
        emit detailsAsked();
}

void StateLine::showElided()
{
    setText(fontMetrics().elidedText(line_, Qt::ElideRight, std::max(contentsRect().width(), 1)));
}

}  // namespace tivka
