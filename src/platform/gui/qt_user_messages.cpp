#include "platform/gui/qt_user_messages.h"

#include <QMessageBox>

namespace tivka {

void QtUserMessages::showMessage(const std::string& text)
{
    // A parent that is hidden (the main window during start-up, or while it
    // sits in the tray) would not place the box sensibly, so only a visible
    // one is used.
    QWidget* parent = parent_ && parent_->isVisible() ? parent_.data() : nullptr;
    const QString title = parent_ ? parent_->windowTitle() : QStringLiteral("Тивка");
    QMessageBox box(QMessageBox::NoIcon, title, QString::fromStdString(text), QMessageBox::Ok, parent);
    box.setEscapeButton(QMessageBox::Ok);
    modals_.exec(box);
}

}  // namespace tivka
