#include "platform/ini_file.h"

#include <stdexcept>

#include "platform/conversions.h"
#include "platform/files.h"
#include "platform/ini_text.h"

namespace tivka {

namespace {

bool holdsLineBreak(const std::string& text)
{
    return text.find_first_of("\r\n") != std::string::npos;
}

// Why an entry could not be read back as written, or nothing.
std::optional<std::string> refusal(const std::string& section, const std::string& key, const std::string& value)
{
    // A line break would split the entry and plant a second one in the file.
    if (holdsLineBreak(section) || holdsLineBreak(key) || holdsLineBreak(value))
        return "the value of " + key + " holds a line break";
    if (key.empty() || key.find('=') != std::string::npos || section.find(']') != std::string::npos)
        return "invalid key name " + key;
    return std::nullopt;
}

}  // namespace

std::optional<std::string> IniValues::find(const std::string& section, const std::string& key) const
{
    return FindIniValue(text_, section, key);
}

std::string IniValues::readString(const std::string& section, const std::string& key,
                                  const std::string& defaultValue) const
{
    return FindIniValue(text_, section, key).value_or(defaultValue);
}

std::int32_t IniValues::readInteger(const std::string& section, const std::string& key,
                                    std::int32_t defaultValue) const
{
    std::int32_t value = defaultValue;
    return TryParseInteger(readString(section, key, ""), value) ? value : defaultValue;
}

bool IniValues::readBool(const std::string& section, const std::string& key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

IniValues ReadIniFile(const std::string& path)
{
    std::string text;
    std::string reason;
    return ReadWholeFile(path, text, reason) == ReadOutcome::Read ? IniValues(std::move(text)) : IniValues();
}

void WriteIniEntries(const std::string& path, const std::string& section, const IniEntries& entries)
{
    const std::string failure = "Unable to write to " + path + ": ";
    for (const auto& [key, value] : entries)
        if (auto why = refusal(section, key, value))
            throw std::runtime_error(failure + *why);
    std::string content;
    std::string reason;
    if (ReadWholeFile(path, content, reason) == ReadOutcome::Failed)
        throw std::runtime_error(failure + reason);
    for (const auto& [key, value] : entries)
        content = WithIniValue(content, section, key, value);
    if (!ReplaceFileAtomically(path, content, reason))
        throw std::runtime_error(failure + reason);
}

}  // namespace tivka
