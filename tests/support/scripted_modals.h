#pragma once

#include <functional>

#include "platform/gui/modal_runner.h"

namespace tivka::test {

// Runs a script on each dialog instead of waiting for a user; a dialog with
// no script is rejected at once, so no test ever blocks on one.
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

}  // namespace tivka::test
