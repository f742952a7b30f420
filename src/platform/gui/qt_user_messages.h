#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/gui/modal_runner.h"
#include "platform/user_messages.h"

namespace tivka {

// Messages as a modal message box with an OK button, titled with the
// program's file name, shown through `modals`.
class QtUserMessages final : public UserMessages {
public:
    explicit QtUserMessages(ModalRunner& modals, QWidget* parent = nullptr) : modals_(modals), parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    void showMessage(const std::string& text) override;

private:
    ModalRunner& modals_;
    QPointer<QWidget> parent_;
};

// The program's own file name ("tivka"), the title of its message boxes.
QString ProgramTitle();

}  // namespace tivka
