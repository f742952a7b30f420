#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "platform/automation.h"

namespace tivka {

// One worksheet as the spreadsheet server holds it: its name and its cells
// keyed by (row, column), both counted from 1. An empty value is no cell.
struct WorksheetData {
    std::string name;
    std::map<std::pair<std::int32_t, std::int32_t>, AutomationValue> cells;
};

// Writes a one-sheet workbook as an .xlsx file at `path` (replacing it).
// Numbers are written as numbers; a text that is a whole number of at most 15
// digits ("27", "-3") becomes that number, as typing it into a General cell
// would; other texts stay texts. Numbers are always written with a "." no
// matter the thread's or process's numeric locale. Throws std::runtime_error
// naming the file when it cannot be written.
void WriteXlsxFile(const WorksheetData& sheet, const std::string& path);

// Writes the sheet into `folder` as "<sheet name>.xlsx", or, when that name
// is taken, "<sheet name> (2).xlsx", " (3)" and so on: an existing file is
// never replaced, even one that appears while writing. Returns the path.
std::string WriteXlsxFileNoOverwrite(const WorksheetData& sheet, const std::string& folder);

// The text as the whole number a General cell would make of it, if it is one.
std::optional<double> WholeNumberText(const std::string& text);

// The user's documents folder: $XDG_DOCUMENTS_DIR, else XDG_DOCUMENTS_DIR of
// user-dirs.dirs (in $XDG_CONFIG_HOME or ~/.config), whichever is set first,
// used only if the folder exists; otherwise the home folder.
std::string DocumentsFolder();

}  // namespace tivka
