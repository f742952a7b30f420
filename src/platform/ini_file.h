#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/ini_text.h"
#include "platform/status.h"

namespace tivka {

// The values of a settings file as it was read, with the private-profile
// rules: section and key names compared without regard to case; blanks
// around a value removed and one pair of enclosing double or single quotes
// stripped; values cut at 2047 characters; a key line without "=" is no key
// at all (the key takes its default).
class IniValues {
public:
    IniValues() = default;
    explicit IniValues(std::string text) : text_(std::move(text)) {}

    // The value of `key` in `section`, if the key is there.
    std::optional<std::string> find(const std::string& section, const std::string& key) const;

private:
    std::string text_;
};

// The settings file at `path` read once. NotFound when there is none; a
// failure of another code when something is there that cannot be read (a
// folder, a pipe, no permission). A caller that goes on without the file uses
// IniValues(), in which every key takes its default.
Result<IniValues> ReadIniFile(const std::string& path);

// Stores every key = value of `entries` in `section` of the file at `path` in
// one atomic replace: the file as it is now, with each key's line replaced or
// added, every other byte (lines, comments, sections, line ends, byte order
// mark) kept. Either all entries are written or none: on failure the file is
// as it was, and the Status's subject is `path`, its detail the reason. A
// section, key or value with a line break, a key that is empty, holds "=",
// starts with "[" or ";" or has blanks around it, or a section with "]", is
// refused (Invalid), as it could not be read back as written. The file is
// read and written once, whatever the number of entries.
Status WriteIniEntries(const std::string& path, const std::string& section, const IniEntries& entries);

}  // namespace tivka
