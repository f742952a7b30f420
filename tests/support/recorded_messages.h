#pragma once

#include <string>
#include <vector>

#include "platform/user_messages.h"

namespace tivka::test {

// Records every message instead of showing a box.
class RecordedMessages final : public UserMessages {
public:
    void showMessage(const std::string& text) override
    {
        shown.push_back(text);
    }
    std::vector<std::string> shown;
};

}  // namespace tivka::test
