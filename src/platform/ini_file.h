#pragma once

#include <cstdint>
#include <string>

namespace tivka {

// A settings file with the private-profile semantics: section and key names
// compared without regard to case; blanks around a value removed and one pair
// of enclosing double quotes stripped; values cut at 2047 characters; a write
// replaces the key's line or adds it (creating the section), leaving every
// other byte of the file as it was. Every write replaces the file atomically
// (new file, then rename), so a crash never leaves it half written.
class IniFile {
public:
    explicit IniFile(std::string path);

    const std::string& path() const { return path_; }

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // Decimal, or hexadecimal after "0x"/"0X" when longer than two characters
    // (or after "$"), as StrToInt takes them; anything else gives the default.
    std::int32_t ReadInteger(const std::string& section, const std::string& key,
                             std::int32_t defaultValue) const;
    // An integer, true when non-zero; non-numeric gives the default.
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

    // Throw std::runtime_error("Unable to write to <path>") on failure, the
    // file then as it was. A section, key or value with a line break, a key
    // with "=" or a section with "]" is refused the same way (with the reason
    // appended), as it could not be read back as written.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
    void WriteBool(const std::string& section, const std::string& key, bool value);

private:
    std::string path_;
};

}  // namespace tivka
