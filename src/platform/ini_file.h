#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tivka {

// The values of a settings file as it was read, with the private-profile
// rules: section and key names compared without regard to case; blanks
// around a value removed and one pair of enclosing double or single quotes
// stripped; values cut at 2047 characters; a key line without "=" is that
// key with an empty value.
class IniValues {
public:
    IniValues() = default;
    explicit IniValues(std::string text) : text_(std::move(text)) {}

    // The value of `key` in `section`, if the key is there.
    std::optional<std::string> find(const std::string& section, const std::string& key) const;
    std::string readString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // Decimal, or hexadecimal after "0x"/"0X" when longer than two characters
    // (or after "$"), as ParseInteger takes them; anything else gives the default.
    std::int32_t readInteger(const std::string& section, const std::string& key,
                             std::int32_t defaultValue) const;
    // An integer, true when non-zero; non-numeric gives the default.
    bool readBool(const std::string& section, const std::string& key, bool defaultValue) const;

private:
    std::string text_;
};

// The settings file at `path` read once; a missing or unreadable file has no
// values, so every key takes its default.
IniValues ReadIniFile(const std::string& path);

using IniEntries = std::vector<std::pair<std::string, std::string>>;

// Stores every key = value of `entries` in `section` of the file at `path` in
// one atomic replace: the file as it is now, with each key's line replaced or
// added, every other byte (lines, comments, sections, line ends, byte order
// mark) kept. Either all entries are written or none. Throws
// std::runtime_error("Unable to write to <path>: <reason>") on failure, the
// file then as it was. A section, key or value with a line break, a key with
// "=" or a section with "]" is refused that way too, as it could not be read
// back as written.
void WriteIniEntries(const std::string& path, const std::string& section, const IniEntries& entries);

}  // namespace tivka
