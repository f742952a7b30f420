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

// Where the entries go: the first section of that name (its header line and
// its last non-blank line, by line number; none when it is missing) and the
// line end for added lines, the text's own (only a text of one line can lack
// one) or "\n".
struct SectionPlace {
    static constexpr std::size_t kNone = std::size_t(-1);
    std::size_t header = kNone;
    std::size_t lastNonBlank = kNone;
    std::string_view eol = "\n";
};

SectionPlace placeOf(std::string_view text, std::string_view section)
{
    SectionPlace place;
    std::size_t index = 0;
    for (std::string_view rest = text; !rest.empty(); ++index) {
        const IniLine line = TakeIniLine(rest);
        if (index == 0 && !line.eol.empty())
            place.eol = line.eol;
        const auto name = IniSectionName(line.body);
        if (place.header == SectionPlace::kNone) {
            if (name && IniNamesEqual(*name, section))
                place.header = place.lastNonBlank = index;
        } else if (name) {
            break;
        } else if (!isBlankLine(line.body)) {
            place.lastNonBlank = index;
        }
    }
    return place;
}

// A section of its own at the end of the text for entries whose section is
// not there.
void appendNewSection(std::string& out, std::string_view text, std::string_view eol, std::string_view section,
                      const std::vector<PendingEntry>& pending)
{
    out.append(text);
    if (pending.empty())
        return;
    if (!text.empty() && text.back() != '\n')
        out.append(eol);
    out.append("[").append(section).append("]").append(eol);
    appendEntryLines(out, pending, eol);
}

// In the first section of that name, the first line of each key gets its new
// value; keys not found there follow the section's last non-blank line, in
// the order given. Two passes over the text, neither holding its lines.
void appendWithValues(std::string& out, std::string_view text, std::string_view section,
                      std::vector<PendingEntry>& pending)
{
    const SectionPlace place = placeOf(text, section);
    if (place.header == SectionPlace::kNone)
        return appendNewSection(out, text, place.eol, section, pending);
    std::size_t index = 0;
    for (std::string_view rest = text; !rest.empty(); ++index) {
        const IniLine line = TakeIniLine(rest);
        const auto keyOf = index > place.header ? IniKeyOf(line.body) : std::nullopt;
        auto entry = std::find_if(pending.begin(), pending.end(), [&](const PendingEntry& e) {
            return keyOf && !e.written && IniNamesEqual(keyOf->key, e.key);
        });
        if (entry != pending.end()) {
            appendReplacedBody(out, line.body, *keyOf, entry->value);
            entry->written = true;
        } else {
            out.append(line.body);
        }
        if (index < place.lastNonBlank) {
            out.append(line.eol);
            continue;
        }
        // Every key line of the section is behind: what is left goes after
        // the new lines as it stands.
        const std::string_view eol = line.eol.empty() ? place.eol : line.eol;
        out.append(anyUnwritten(pending) ? eol : line.eol);
        appendEntryLines(out, pending, eol);
        out.append(rest);
        return;
    }
}

}  // namespace

IniLine TakeIniLine(std::string_view& text)
{
    const std::size_t newline = text.find('\n');
    if (newline == std::string_view::npos) {
        const IniLine last{text, {}};
        text = {};
        return last;
    }
    const std::size_t bodyEnd = newline > 0 && text[newline - 1] == '\r' ? newline - 1 : newline;
    const IniLine line{text.substr(0, bodyEnd), text.substr(bodyEnd, newline + 1 - bodyEnd)};
    text.remove_prefix(newline + 1);
    return line;
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
    for (std::string_view rest = text; !rest.empty();) {
        std::string_view body = TakeIniLine(rest).body;
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
