#pragma once

#include <stdexcept>
#include <string>

namespace tivka {

// A picture that cannot be used: what() is "<name>: <detail>", and the two
// parts stay apart for whoever words the failure in its own terms.
class ImageError : public std::runtime_error {
public:
    ImageError(const std::string& name, const std::string& detail)
        : std::runtime_error(name + ": " + detail), name_(name), detail_(detail)
    {
    }
    const std::string& name() const { return name_; }
    const std::string& detail() const { return detail_; }

private:
    std::string name_;
    std::string detail_;
};

}  // namespace tivka
