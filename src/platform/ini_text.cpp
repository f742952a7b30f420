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

std::string joinLines(const std::vector<IniLine>& lines, std::size_t from, std::size_t to)
{
    std::string out;
    for (std::size_t i = from; i < to; ++i)
        out.append(lines[i].body).append(lines[i].eol);
    return out;
}

std::string withReplacedValue(const std::vector<IniLine>& lines, std::size_t at, const IniKeyLine& keyLine,
                              std::string_view value)
{
    std::string_view body = lines[at].body;
    std::size_t valueStart = keyLine.valueStart;
    while (valueStart < body.size() && isBlank(body[valueStart]))
        ++valueStart;
    std::string out = joinLines(lines, 0, at);
    if (keyLine.bare) {
        // The key as spelt on its line, then the "=" the line lacked.
        const std::size_t keyEnd = std::size_t(keyLine.key.data() - body.data()) + keyLine.key.size();
        out.append(body.substr(0, keyEnd)).append("=");
    } else {
        out.append(body.substr(0, valueStart));
    }
    out.append(value).append(lines[at].eol);
    return out + joinLines(lines, at + 1, lines.size());
}

std::string withInsertedLine(const std::vector<IniLine>& lines, std::size_t after,
                             std::string_view newLine)
{
    std::string_view eol = lines[after].eol.empty() ? usualEol(lines) : lines[after].eol;
    std::string out = joinLines(lines, 0, after);
    out.append(lines[after].body).append(eol).append(newLine).append(eol);
    return out + joinLines(lines, after + 1, lines.size());
}

std::string withNewSection(std::string_view text, const std::vector<IniLine>& lines,
                           std::string_view section, std::string_view keyLine)
{
    std::string_view eol = usualEol(lines);
    std::string out(text);
    if (!lines.empty() && lines.back().eol.empty())
        out.append(eol);
    out.append("[").append(section).append("]").append(eol);
    return out.append(keyLine).append(eol);
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
                   keyOf && IniNamesEqual(keyOf->key, key)) {
            return IniCleanValue(body.substr(keyOf->valueStart));
        }
    }
    return std::nullopt;
}

namespace {

std::string withIniValueAfterBom(std::string_view text, std::string_view section, std::string_view key,
                                 std::string_view value)
{
    const std::vector<IniLine> lines = SplitIniLines(text);
    std::string keyLine = std::string(key) + "=" + std::string(value);
    auto header = std::find_if(lines.begin(), lines.end(), [&](const IniLine& line) {
        auto name = IniSectionName(line.body);
        return name && IniNamesEqual(*name, section);
    });
    if (header == lines.end())
        return withNewSection(text, lines, section, keyLine);

    std::size_t lastNonBlank = static_cast<std::size_t>(header - lines.begin());
    for (std::size_t i = lastNonBlank + 1; i < lines.size(); ++i) {
        if (IniSectionName(lines[i].body))
            break;
        auto keyOf = IniKeyOf(lines[i].body);
        if (keyOf && IniNamesEqual(keyOf->key, key))
            return withReplacedValue(lines, i, *keyOf, value);
        if (!isBlankLine(lines[i].body))
            lastNonBlank = i;
    }
    return withInsertedLine(lines, lastNonBlank, keyLine);
}

}  // namespace

// Only the one mark the reader skips is set aside: a second mark belongs to the
// first line, as the reader sees it, so a new section must not be glued to it.
std::string WithIniValue(std::string_view text, std::string_view section,
                         std::string_view key, std::string_view value)
{
    if (text.starts_with(kUtf8Bom))
        return std::string(kUtf8Bom) + withIniValueAfterBom(text.substr(kUtf8Bom.size()), section, key, value);
    return withIniValueAfterBom(text, section, key, value);
}

}  // namespace tivka
