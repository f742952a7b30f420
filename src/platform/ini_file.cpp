#include "platform/ini_file.h"

#include <optional>

#include "platform/conversions.h"
#include "platform/files.h"

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
    // A key read back as another (blanks trimmed), as a comment or as a
    // section would be written again on every save.
    const bool unreadableKey = key.empty() || key.find('=') != std::string::npos || key.front() == '[' ||
                               key.front() == ';' || key.front() == ' ' || key.front() == '\t' ||
                               key.back() == ' ' || key.back() == '\t';
    if (unreadableKey || section.find(']') != std::string::npos)
        return "invalid key name " + key;
    return std::nullopt;
}

}  // namespace

std::optional<std::string> IniValues::find(const std::string& section, const std::string& key) const
{
    return FindIniValue(text_, section, key);
}

Result<IniValues> ReadIniFile(const std::string& path)
{
    Result<std::string> text = ReadWholeFile(path);
    if (!text.ok())
        return text.status();
    return IniValues(std::move(text.value()));
}

Status WriteIniEntries(const std::string& path, const std::string& section, const IniEntries& entries)
{
    for (const auto& [key, value] : entries)
        if (auto why = refusal(section, key, value))
            return Status(Status::Code::Invalid, path, *why);
    Result<std::string> content = ReadWholeFile(path);
    if (!content.ok() && content.status().code() != Status::Code::NotFound)
        return content.status();
    const std::string_view before = content.ok() ? std::string_view(content.value()) : std::string_view();
    return ReplaceFileAtomically(path, WithIniValues(before, section, entries));
}

}  // namespace tivka
