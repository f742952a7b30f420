#include "export/workbook/xlsx_writer.h"

#include <xlsxwriter.h>

#include <stdexcept>

#include "platform/files.h"
#include "platform/numeric_locale.h"

namespace tivka {

namespace {

std::string writeError(const std::string& path, const std::string& why)
{
    return "Cannot write the workbook \"" + path + "\": " + why;
}

lxw_error writeCell(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t column, const CellValue& value)
{
    if (const auto* number = std::get_if<double>(&value))
        return worksheet_write_number(sheet, row, column, *number, nullptr);
    const std::string& text = std::get<std::string>(value);
    if (auto whole = WholeNumberText(text))
        return worksheet_write_number(sheet, row, column, *whole, nullptr);
    if (text.empty())
        return LXW_NO_ERROR;  // an empty text leaves the cell blank, as typing nothing does
    return worksheet_write_string(sheet, row, column, text.c_str(), nullptr);
}

void writeCells(lxw_workbook* book, lxw_worksheet* sheet, const Worksheet& data, const std::string& path)
{
    for (const auto& [position, value] : data.cells) {
        lxw_error error = writeCell(sheet, lxw_row_t(position.first - 1), lxw_col_t(position.second - 1), value);
        if (error != LXW_NO_ERROR) {
            lxw_workbook_free(book);
            throw std::runtime_error(writeError(path, lxw_strerror(error)));
        }
    }
}

std::string candidateName(const std::string& folder, const std::string& base, int number)
{
    std::string name = number == 1 ? base + ".xlsx" : base + " (" + std::to_string(number) + ").xlsx";
    return folder.empty() || folder.ends_with('/') ? folder + name : folder + "/" + name;
}

// Writes `path`; messages name `shownPath`, the file the user will look for.
void writeXlsx(const Worksheet& data, const std::string& path, const std::string& shownPath)
{
    // libxlsxwriter prints numbers with printf, which follows the numeric locale.
    const Result<CNumericLocaleScope> numericC = CNumericLocaleScope::Enter();
    if (!numericC.ok())
        throw std::runtime_error(writeError(shownPath, numericC.status().text()));
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
            writeError(shownPath, std::string(lxw_strerror(error)) + " (" + LastSystemError() + ")"));
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

std::string WriteXlsxFileNoOverwrite(const Worksheet& sheet, const std::string& folder)
{
    const std::string shownPath = candidateName(folder, sheet.name, 1);
    const Result<std::string> created = CreateUniqueFile(folder, ".tivka-workbook-");
    if (!created.ok())
        throw std::runtime_error(writeError(shownPath, created.status().detail()));
    const std::string& temporary = created.value();
    try {
        writeXlsx(sheet, temporary, shownPath);
        for (int number = 1; number < 100000; ++number) {
            std::string target = candidateName(folder, sheet.name, number);
            const Status claimed = ClaimFreeName(temporary, target);
            if (claimed.ok()) {
                RemoveFile(temporary);  // gone already after a rename
                return target;
            }
            if (claimed.code() != Status::Code::Exists)
                throw std::runtime_error(writeError(target, claimed.detail()));
        }
        throw std::runtime_error(writeError(shownPath, "no free file name"));
    } catch (...) {
        RemoveFile(temporary);  // ours; the error that matters is rethrown
        throw;
    }
}

}  // namespace tivka
