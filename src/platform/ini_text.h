#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tivka {

// Line-level rules of settings files, shared by reading and writing.
// Section and key names compare without regard to ASCII case; blanks are
// spaces and tabs.

// One line of a settings text: its bytes and its own line end ("\r\n", "\n",
// or "" for a last line without one). body + eol over all lines gives back
// the text byte for byte.
struct IniLine {
    std::string_view body;
    std::string_view eol;
};

// The first line of a non-empty `text`, which then starts after it. Lines are
// taken one at a time so that no pass over a large file holds them all.
IniLine TakeIniLine(std::string_view& text);

// The section a "[name]" line opens (blanks around the name removed; a line
// without "]" names the rest of the line); nullopt for any other line.
std::optional<std::string_view> IniSectionName(std::string_view body);

// For a key line (not a section line, not a ";" comment, not blank), the key
// with blanks removed and the offset just past the "=". A line without "="
// is a bare key (valueStart is then the end of the line and `bare` is set):
// as Windows' own reader does, reading takes it for no key at all, while
// writing that key replaces the line.
struct IniKeyLine {
    std::string_view key;
    std::size_t valueStart = 0;
    bool bare = false;
};
std::optional<IniKeyLine> IniKeyOf(std::string_view body);

// Editors on Windows may start a settings file with this byte order mark;
// it belongs to no line.
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IniNamesEqual(std::string_view a, std::string_view b);

// The value as read: blanks around it removed, one pair of enclosing double
// or single quotes stripped, cut at kIniValueLimit characters.
constexpr std::size_t kIniValueLimit = 2047;
std::string IniCleanValue(std::string_view raw);

// The value of `key` in the first `section` of a settings text, if the key is
// there (the text may start with one byte order mark).
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section, std::string_view key);

using IniEntries = std::vector<std::pair<std::string, std::string>>;

// `text` with every key = value of `entries` stored in `section`, in one pass
// over its lines: the first line of each key in the first such section gets
// the new value (its text up to the "=" and the blanks after it kept; a bare
// key line becomes "key=value"); keys not there go, in the order given, as
// "key=value" lines after the section's last non-blank line, or in a new
// section at the end. A key given twice is stored once, spelt as first given,
// with its last value. Every other byte stays as it was; new lines take the
// line end of their neighbour, or "\n" in an empty text. The same text as
// storing the entries one after another with WithIniValue. Keys must be such
// that the line reads back as that key (WriteIniEntries refuses others).
std::string WithIniValues(std::string_view text, std::string_view section, const IniEntries& entries);

// WithIniValues for one key.
std::string WithIniValue(std::string_view text, std::string_view section,
                         std::string_view key, std::string_view value);

}  // namespace tivka
