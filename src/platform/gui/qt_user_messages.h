#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/gui/modal_runner.h"
#include "platform/user_messages.h"

namespace tivka {

// Messages as a modal message box with an OK button, titled as the window
// `parent` ("Тивка" without one), shown through `modals`.
class QtUserMessages final : public UserMessages {
public:
    explicit QtUserMessages(ModalRunner& modals, QWidget* parent = nullptr) : modals_(modals), parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    void showMessage(const std::string& text) override;

private:
    ModalRunner& modals_;
    QPointer<QWidget> parent_;
};

}  // namespace tivka
