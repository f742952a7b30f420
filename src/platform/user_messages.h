#pragma once

#include <string>

namespace tivka {

// Modal messages with an OK button: the fixed Russian texts and the general
// error report. The window implements it with a message box; tests replace it
// with a recorder, so nothing ever blocks on a dialog.
class UserMessages {
public:
    virtual ~UserMessages() = default;
    // Returns when the user has closed the message. The window's event loop
    // may run meanwhile (timer ticks can come due).
    virtual void showMessage(const std::string& text) = 0;
};

}  // namespace tivka
