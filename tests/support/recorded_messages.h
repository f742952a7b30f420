#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/user_messages.h"

namespace tivka::test {

// Records every message instead of showing a box; `onShow` runs inside the
// "box", where the window's event loop would let other handlers run.
class RecordedMessages final : public UserMessages {
public:
    void showMessage(const std::string& text) override
    {
        shown.push_back(text);
        if (onShow)
            onShow(text);
    }
    std::vector<std::string> shown;
    std::function<void(const std::string&)> onShow;
};

}  // namespace tivka::test
