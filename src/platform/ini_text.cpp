#include "platform/ini_text.h"

#include <algorithm>

namespace tivka {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The line end used for lines added where no neighbour has one.
std::string_view usualEol(const std::vector<IniLine>& lines)
{
    for (const IniLine& line : lines)
        if (!line.eol.empty())
            return line.eol;
    return "\n";
}

bool isBlankLine(std::string_view body)
{
    return trimBlanks(body).empty();
}

// A key line with its value replaced: its text up to the "=" and the blanks
// after it kept; a bare key line gets the "=" it lacked after its key.
void appendReplacedBody(std::string& out, std::string_view body, const IniKeyLine& keyLine, std::string_view value)
{
    if (keyLine.bare) {
        const std::size_t keyEnd = std::size_t(keyLine.key.data() - body.data()) + keyLine.key.size();
        out.append(body.substr(0, keyEnd)).append("=");
    } else {
        std::size_t valueStart = keyLine.valueStart;
        while (valueStart < body.size() && isBlank(body[valueStart]))
            ++valueStart;
        out.append(body.substr(0, valueStart));
    }
    out.append(value);
}

// One entry still to be written; a key given twice keeps its first spelling
// and its last value, as writing the entries one after another would.
struct PendingEntry {
    std::string_view key;
    std::string_view value;
    bool written = false;
};

std::vector<PendingEntry> pendingEntries(const IniEntries& entries)
{
    std::vector<PendingEntry> pending;
    for (const auto& [key, value] : entries) {
        auto same = std::find_if(pending.begin(), pending.end(),
                                 [&](const PendingEntry& entry) { return IniNamesEqual(entry.key, key); });
        if (same != pending.end())
            same->value = value;
        else
            pending.push_back({key, value});
    }
    return pending;
}

void appendEntryLines(std::string& out, const std::vector<PendingEntry>& pending, std::string_view eol)
{
    for (const PendingEntry& entry : pending)
        if (!entry.written)
            out.append(entry.key).append("=").append(entry.value).append(eol);
}

bool anyUnwritten(const std::vector<PendingEntry>& pending)
{
    return std::any_of(pending.begin(), pending.end(), [](const PendingEntry& entry) { return !entry.written; });
}

// A section of its own at the end of the text for entries whose section is
// not there.
void appendNewSection(std::string& out, std::string_view text, const std::vector<IniLine>& lines,
                      std::string_view section, const std::vector<PendingEntry>& pending)
{
    out.append(text);
    if (pending.empty())
        return;
    const std::string_view eol = usualEol(lines);
    if (!lines.empty() && lines.back().eol.empty())
        out.append(eol);
    out.append("[").append(section).append("]").append(eol);
    appendEntryLines(out, pending, eol);
}

}  // namespace

std::vector<IniLine> SplitIniLines(std::string_view text)
{
    std::vector<IniLine> lines;
    while (!text.empty()) {
        std::size_t newline = text.find('\n');
        if (newline == std::string_view::npos) {
            lines.push_back({text, {}});
            break;
        }
        std::size_t bodyEnd = newline > 0 && text[newline - 1] == '\r' ? newline - 1 : newline;
        lines.push_back({text.substr(0, bodyEnd), text.substr(bodyEnd, newline + 1 - bodyEnd)});
        text.remove_prefix(newline + 1);
    }
    return lines;
}

std::optional<std::string_view> IniSectionName(std::string_view body)
{
    std::string_view text = trimBlanks(body);
    if (text.empty() || text.front() != '[')
        return std::nullopt;
    text.remove_prefix(1);
    return trimBlanks(text.substr(0, text.find(']')));
}

std::optional<IniKeyLine> IniKeyOf(std::string_view body)
{
    std::string_view text = trimBlanks(body);
    if (text.empty() || text.front() == ';' || text.front() == '[')
        return std::nullopt;
    std::size_t equals = body.find('=');
    if (equals == std::string_view::npos)
        return IniKeyLine{text, body.size(), true};
    return IniKeyLine{trimBlanks(body.substr(0, equals)), equals + 1, false};
}

bool IniNamesEqual(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

std::string IniCleanValue(std::string_view raw)
{
    std::string_view value = trimBlanks(raw);
    const bool quoted = value.size() >= 2 && value.front() == value.back() &&
                        (value.front() == '"' || value.front() == '\'');
    if (quoted)
        value = value.substr(1, value.size() - 2);
    return std::string(value.substr(0, kIniValueLimit));
}

std::optional<std::string> FindIniValue(std::string_view text, std::string_view section, std::string_view key)
{
    if (text.starts_with(kUtf8Bom))
        text.remove_prefix(kUtf8Bom.size());
    bool inSection = false;
    for (const IniLine& line : SplitIniLines(text)) {
        std::string_view body = line.body;
        if (body.ends_with('\r'))
            body.remove_suffix(1);  // a last line ended by a lone carriage return
        if (auto name = IniSectionName(body)) {
            if (inSection)
                break;
            inSection = IniNamesEqual(*name, section);
        } else if (auto keyOf = inSection ? IniKeyOf(body) : std::nullopt;
                   keyOf && !keyOf->bare && IniNamesEqual(keyOf->key, key)) {
            return IniCleanValue(body.substr(keyOf->valueStart));
        }
    }
    return std::nullopt;
}

namespace {

// One pass over the lines: in the first section of that name, the first line
// of each key gets its new value; keys not found there follow the section's
// last non-blank line, in the order given.
void appendWithValues(std::string& out, std::string_view text, std::string_view section,
                      std::vector<PendingEntry>& pending)
{
    const std::vector<IniLine> lines = SplitIniLines(text);
    auto isHeader = [&](const IniLine& line) {
        auto name = IniSectionName(line.body);
        return name && IniNamesEqual(*name, section);
    };
    const std::size_t header = std::size_t(std::find_if(lines.begin(), lines.end(), isHeader) - lines.begin());
    if (header == lines.size())
        return appendNewSection(out, text, lines, section, pending);
    std::size_t sectionEnd = header + 1;
    std::size_t lastNonBlank = header;
    for (; sectionEnd < lines.size() && !IniSectionName(lines[sectionEnd].body); ++sectionEnd)
        if (!isBlankLine(lines[sectionEnd].body))
            lastNonBlank = sectionEnd;

    for (std::size_t i = 0; i < lines.size(); ++i) {
        const IniLine& line = lines[i];
        const auto keyOf = i > header && i < sectionEnd ? IniKeyOf(line.body) : std::nullopt;
        auto entry = std::find_if(pending.begin(), pending.end(), [&](const PendingEntry& e) {
            return keyOf && !e.written && IniNamesEqual(keyOf->key, e.key);
        });
        if (entry != pending.end()) {
            appendReplacedBody(out, line.body, *keyOf, entry->value);
            entry->written = true;
        } else {
            out.append(line.body);
        }
        if (i != lastNonBlank || !anyUnwritten(pending)) {
            out.append(line.eol);
            continue;
        }
        const std::string_view eol = line.eol.empty() ? usualEol(lines) : line.eol;
        out.append(eol);
        appendEntryLines(out, pending, eol);
    }
}

}  // namespace

// Only the one mark the reader skips is set aside: a second mark belongs to the
// first line, as the reader sees it, so a new section must not be glued to it.
std::string WithIniValues(std::string_view text, std::string_view section, const IniEntries& entries)
{
    std::vector<PendingEntry> pending = pendingEntries(entries);
    std::string out;
    out.reserve(text.size() + 64 * pending.size());
    if (text.starts_with(kUtf8Bom)) {
        out.append(kUtf8Bom);
        text.remove_prefix(kUtf8Bom.size());
    }
    appendWithValues(out, text, section, pending);
    return out;
}

std::string WithIniValue(std::string_view text, std::string_view section, std::string_view key,
                         std::string_view value)
{
    return WithIniValues(text, section, {{std::string(key), std::string(value)}});
}

}  // namespace tivka
