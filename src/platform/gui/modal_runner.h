#pragma once

#include <QDialog>
#include <functional>

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

// For tests: runs `script` on the dialog instead of waiting for a user.
class ScriptedModalRunner final : public ModalRunner {
public:
    using Script = std::function<int(QDialog&)>;
    void setNext(Script script) { next_ = std::move(script); }
    int exec(QDialog& dialog) override
    {
        ++count;
        Script script = std::move(next_);
        next_ = nullptr;
        return script ? script(dialog) : QDialog::Rejected;
    }
    int count = 0;

private:
    Script next_;
};

}  // namespace tivka
