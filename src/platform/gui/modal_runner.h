#pragma once

#include <QDialog>

namespace tivka {

// Shows a dialog modally and returns its result. The window shows every modal
// dialog through one of these, so that tests drive dialogs without blocking.
class ModalRunner {
public:
    virtual ~ModalRunner() = default;
    virtual int exec(QDialog& dialog) = 0;
};

class QtModalRunner final : public ModalRunner {
public:
    int exec(QDialog& dialog) override { return dialog.exec(); }
};

}  // namespace tivka
