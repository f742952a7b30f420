#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace tivka {

using CellValue = std::variant<std::string, double>;

// Where the chart readers put worksheet cells while a spreadsheet transfer
// runs: Cells(row, column) := value, row and column counted from 1.
class CellWriter {
public:
    virtual ~CellWriter() = default;
    virtual void putCell(std::int32_t row, std::int32_t column, const CellValue& value) = 0;
};

}  // namespace tivka
