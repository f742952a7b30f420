#include "platform/xlsx_file.h"

#include <locale.h>
#include <pwd.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace tivka {

namespace fs = std::filesystem;

namespace {

// libxlsxwriter prints numbers with printf, which follows LC_NUMERIC: under a
// comma locale 1.08215 would be stored as "1,08215" and read back as 1. The
// scope switches this thread to the "C" numeric rules and puts back what was
// there, so the file is right whatever the program's locale.
class CNumericScope {
public:
    CNumericScope()
    {
        locale_t base = duplocale(uselocale(locale_t(0)));
        c_ = base == locale_t(0) ? locale_t(0) : newlocale(LC_NUMERIC_MASK, "C", base);
        if (c_ == locale_t(0)) {
            if (base != locale_t(0))
                freelocale(base);
            throw std::runtime_error("Cannot switch to the C numeric locale for writing a workbook");
        }
        previous_ = uselocale(c_);
    }
    ~CNumericScope()
    {
        uselocale(previous_);
        freelocale(c_);
    }
    CNumericScope(const CNumericScope&) = delete;
    CNumericScope& operator=(const CNumericScope&) = delete;

private:
    locale_t c_ = locale_t(0);
    locale_t previous_ = locale_t(0);
};

std::string writeError(const std::string& path, const std::string& why)
{
    return "Cannot write the workbook \"" + path + "\": " + why;
}

lxw_error writeCell(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t column, const AutomationValue& value)
{
    if (const auto* number = std::get_if<double>(&value))
        return worksheet_write_number(sheet, row, column, *number, nullptr);
    if (const auto* integer = std::get_if<std::int32_t>(&value))
        return worksheet_write_number(sheet, row, column, *integer, nullptr);
    if (const auto* flag = std::get_if<bool>(&value))
        return worksheet_write_boolean(sheet, row, column, *flag ? 1 : 0, nullptr);
    if (const auto* text = std::get_if<std::string>(&value)) {
        if (auto whole = WholeNumberText(*text))
            return worksheet_write_number(sheet, row, column, *whole, nullptr);
        if (text->empty())
            return LXW_NO_ERROR;  // an empty text leaves the cell blank, as typing nothing does
        return worksheet_write_string(sheet, row, column, text->c_str(), nullptr);
    }
    return LXW_NO_ERROR;  // empty values and objects make no cell
}

void writeCells(lxw_workbook* book, lxw_worksheet* sheet, const WorksheetData& data, const std::string& path)
{
    for (const auto& [position, value] : data.cells) {
        lxw_error error = writeCell(sheet, lxw_row_t(position.first - 1), lxw_col_t(position.second - 1), value);
        if (error != LXW_NO_ERROR) {
            lxw_workbook_free(book);
            throw std::runtime_error(writeError(path, lxw_strerror(error)));
        }
    }
}

std::string candidateName(const fs::path& folder, const std::string& base, int number)
{
    std::string name = number == 1 ? base + ".xlsx" : base + " (" + std::to_string(number) + ").xlsx";
    return (folder / name).string();
}

// Gives the finished temporary file its final name without ever replacing a
// file: link() fails when the name exists. Where links are not supported,
// falls back to checking first.
bool claimName(const std::string& temporary, const std::string& target)
{
    if (::link(temporary.c_str(), target.c_str()) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    std::error_code error;
    if (fs::exists(target, error))
        return false;
    fs::rename(temporary, target);  // throws with the reason
    return true;
}

std::string homeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return ".";
}

// XDG_DOCUMENTS_DIR="$HOME/Documents" from user-dirs.dirs, $HOME expanded.
std::string documentsFromUserDirs(const std::string& home)
{
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    fs::path config = configHome && *configHome ? fs::path(configHome) : fs::path(home) / ".config";
    std::ifstream in(config / "user-dirs.dirs");
    const std::string key = "XDG_DOCUMENTS_DIR=";
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(key, 0) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0)
            value = home + value.substr(5);
        return value;
    }
    return {};
}

bool isFolder(const std::string& path)
{
    std::error_code error;
    return !path.empty() && fs::is_directory(path, error);
}

// Writes `path`; messages name `shownPath`, the file the user will look for.
void writeXlsx(const WorksheetData& data, const std::string& path, const std::string& shownPath)
{
    CNumericScope numericC;
    lxw_workbook* book = workbook_new(path.c_str());
    if (!book)
        throw std::runtime_error(writeError(shownPath, "out of memory"));
    lxw_worksheet* sheet = workbook_add_worksheet(book, data.name.c_str());
    if (!sheet) {
        lxw_workbook_free(book);
        throw std::runtime_error(writeError(shownPath, "the sheet name '" + data.name + "' is not allowed"));
    }
    writeCells(book, sheet, data, shownPath);
    lxw_error error = workbook_close(book);
    if (error != LXW_NO_ERROR)
        throw std::runtime_error(
            writeError(shownPath, std::string(lxw_strerror(error)) + " (" + std::strerror(errno) + ")"));
}

}  // namespace

std::optional<double> WholeNumberText(const std::string& text)
{
    std::size_t start = !text.empty() && text[0] == '-' ? 1 : 0;
    std::size_t digits = text.size() - start;
    if (digits == 0 || digits > 15)
        return std::nullopt;
    for (std::size_t i = start; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
    double value = 0;
    for (std::size_t i = start; i < text.size(); ++i)
        value = value * 10 + (text[i] - '0');
    return start ? -value : value;
}

void WriteXlsxFile(const WorksheetData& data, const std::string& path)
{
    writeXlsx(data, path, path);
}

std::string WriteXlsxFileNoOverwrite(const WorksheetData& sheet, const std::string& folder)
{
    std::string pattern = (fs::path(folder) / ".tivka-workbook-XXXXXX").string();
    const std::string shownPath = candidateName(folder, sheet.name, 1);
    int handle = ::mkstemp(pattern.data());
    if (handle < 0)
        throw std::runtime_error(writeError(shownPath, std::strerror(errno)));
    // mkstemp makes the file private; the workbook gets the usual permissions.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(handle, 0666 & ~mask);
    ::close(handle);
    const std::string temporary = pattern;
    try {
        writeXlsx(sheet, temporary, shownPath);
        for (int number = 1; number < 100000; ++number) {
            std::string target = candidateName(folder, sheet.name, number);
            if (claimName(temporary, target)) {
                std::error_code ignored;  // gone already after a rename
                fs::remove(temporary, ignored);
                return target;
            }
        }
        throw std::runtime_error(writeError(shownPath, "no free file name"));
    } catch (...) {
        std::error_code ignored;  // the temporary file is ours; the error that matters is rethrown
        fs::remove(temporary, ignored);
        throw;
    }
}

std::string DocumentsFolder()
{
    std::string home = homeFolder();
    if (const char* documents = std::getenv("XDG_DOCUMENTS_DIR"); documents && *documents)
        if (isFolder(documents))
            return documents;
    if (std::string documents = documentsFromUserDirs(home); isFolder(documents))
        return documents;
    return home;
}

}  // namespace tivka
