#pragma once

// Reads back what an .xlsx file holds, through the unzip program, for tests:
// the first sheet's name and its cells with their stored kind.

#include <cstdio>
#include <map>
#include <ostream>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

namespace tivka::test {

struct XlsxCell {
    std::string kind;   // "n" number, "s" shared text, "str" inline text, "b" boolean
    std::string value;  // the number as stored, or the text itself
    bool operator==(const XlsxCell&) const = default;
};

inline void PrintTo(const XlsxCell& cell, std::ostream* out)
{
    *out << cell.kind << ":\"" << cell.value << "\"";
}

inline std::string unzipEntry(const std::string& archive, const std::string& entry)
{
    std::string pattern;  // unzip takes [ ] as wildcards
    for (char c : entry)
        pattern += (c == '[' || c == ']') ? std::string("\\") + c : std::string(1, c);
    std::string command = "unzip -p '" + archive + "' '" + pattern + "' 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot run unzip");
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    int status = ::pclose(pipe);
    if (status != 0)
        throw std::runtime_error("unzip failed on " + entry + " of " + archive);
    return out;
}

inline std::string xmlText(std::string text)
{
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [entity, plain] : entities)
        for (std::size_t at; (at = text.find(entity)) != std::string::npos;)
            text.replace(at, std::string(entity).size(), plain);
    return text;
}

inline std::vector<std::string> xlsxSharedStrings(const std::string& archive)
{
    std::vector<std::string> strings;
    std::string xml;
    try {
        xml = unzipEntry(archive, "xl/sharedStrings.xml");
    } catch (const std::runtime_error&) {
        return strings;  // a workbook without texts has no table
    }
    std::regex item("<si><t[^>]*>([^<]*)</t></si>");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), item); it != std::sregex_iterator(); ++it)
        strings.push_back(xmlText((*it)[1]));
    return strings;
}

// Cells of the first sheet keyed by reference ("B2").
inline std::map<std::string, XlsxCell> xlsxCells(const std::string& archive)
{
    std::string xml = unzipEntry(archive, "xl/worksheets/sheet1.xml");
    std::vector<std::string> shared = xlsxSharedStrings(archive);
    std::map<std::string, XlsxCell> cells;
    std::regex cell("<c r=\"([A-Z]+[0-9]+)\"([^>]*)>(?:<v>([^<]*)</v>|<is><t>([^<]*)</t></is>)</c>");
    std::regex type("t=\"([a-z]+)\"");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), cell); it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        std::smatch t;
        std::string attributes = m[2];
        std::string kind = std::regex_search(attributes, t, type) ? std::string(t[1]) : "n";
        std::string value = m[3].matched ? std::string(m[3]) : xmlText(m[4]);
        if (kind == "s")
            value = shared.at(std::stoul(value));
        cells[m[1]] = {kind, value};
    }
    return cells;
}

// Number of <c> elements in the first sheet, to catch cells the regex missed.
inline std::size_t xlsxCellElementCount(const std::string& archive)
{
    std::string xml = unzipEntry(archive, "xl/worksheets/sheet1.xml");
    std::regex cell("<c ");
    return std::size_t(std::distance(std::sregex_iterator(xml.begin(), xml.end(), cell), std::sregex_iterator()));
}

}  // namespace tivka::test
