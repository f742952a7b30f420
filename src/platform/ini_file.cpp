#include "platform/ini_file.h"

#include <fstream>
#include <optional>
#include <stdexcept>

#include "platform/conversions.h"
#include "platform/file_replace.h"
#include "platform/ini_text.h"

namespace tivka {

namespace {

// Scans the file line by line and stops at the end of the first matching
// section, so a huge or garbled file costs one pass and little memory.
std::optional<std::string> findValue(const std::string& path, const std::string& section,
                                     const std::string& key)
{
    std::ifstream in(path, std::ios::binary);
    std::string line;
    bool inSection = false;
    for (bool first = true; std::getline(in, line); first = false) {
        std::string_view body = line;
        if (first && body.starts_with(kUtf8Bom))
            body.remove_prefix(kUtf8Bom.size());
        if (body.ends_with('\r'))
            body.remove_suffix(1);
        if (auto name = IniSectionName(body)) {
            if (inSection)
                break;
            inSection = IniNamesEqual(*name, section);
        } else if (auto keyOf = inSection ? IniKeyOf(body) : std::nullopt;
                   keyOf && IniNamesEqual(keyOf->key, key)) {
            return IniCleanValue(body.substr(keyOf->valueStart));
        }
    }
    return std::nullopt;
}

bool holdsLineBreak(const std::string& text)
{
    return text.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const
{
    return findValue(path_, section, key).value_or(defaultValue);
}

std::int32_t IniFile::ReadInteger(const std::string& section, const std::string& key,
                                  std::int32_t defaultValue) const
{
    // TryStrToInt takes decimal and the "0x" and "$" hexadecimal forms.
    std::int32_t value = defaultValue;
    std::string text = ReadString(section, key, "");
    return TryStrToInt(text, value) ? value : defaultValue;
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool defaultValue) const
{
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    const std::string failure = "Unable to write to " + path_;
    // A line break would split the entry and plant a second one in the file.
    if (holdsLineBreak(section) || holdsLineBreak(key) || holdsLineBreak(value))
        throw std::runtime_error(failure + ": the value of " + key + " holds a line break");
    if (key.empty() || key.find('=') != std::string::npos || section.find(']') != std::string::npos)
        throw std::runtime_error(failure + ": invalid key name " + key);
    std::string content;
    if (ReadWholeFile(path_, content) == ReadOutcome::Failed)
        throw std::runtime_error(failure);
    if (!ReplaceFileContents(path_, WithIniValue(content, section, key, value)))
        throw std::runtime_error(failure);
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, std::int32_t value)
{
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

}  // namespace tivka
