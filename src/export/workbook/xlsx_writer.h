#pragma once

#include <optional>
#include <string>

#include "export/workbook/workbook_cells.h"

namespace tivka {

// Writes a one-sheet workbook as an .xlsx file into `folder` as "<sheet
// name>.xlsx", or, when that name is taken, "<sheet name> (2).xlsx", " (3)"
// and so on: an existing file is never replaced, even one that appears while
// writing. The file is written under a temporary name first, so no
// half-written workbook ever carries the final name. Returns the path.
// Numbers are written as numbers; a text that is a whole number of at most 15
// digits ("27", "-3") becomes that number, as typing it into a General cell
// would; an empty text leaves the cell blank; other texts stay texts. Numbers
// are always written with a "." whatever the numeric locale. Throws
// std::runtime_error naming the file when it cannot be written.
std::string WriteXlsxFileNoOverwrite(const Worksheet& sheet, const std::string& folder);

// The text as the whole number a General cell would make of it, if it is one.
std::optional<double> WholeNumberText(const std::string& text);

}  // namespace tivka
