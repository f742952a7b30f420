#include "platform/gui/qt_user_messages.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

namespace tivka {

QString ProgramTitle()
{
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return name.isEmpty() ? QStringLiteral("tivka") : name;
}

void QtUserMessages::showMessage(const std::string& text)
{
    // A parent that is hidden (the main window during start-up, or while it
    // sits in the tray) would not place the box sensibly, so only a visible
    // one is used.
    QWidget* parent = parent_ && parent_->isVisible() ? parent_.data() : nullptr;
    QMessageBox box(QMessageBox::NoIcon, ProgramTitle(), QString::fromStdString(text), QMessageBox::Ok, parent);
    box.setEscapeButton(QMessageBox::Ok);
    modals_.exec(box);
}

}  // namespace tivka
