#include "template_art.h"

#include <vector>

#include "reading/digit_template.h"
#include "reading/template_assembly.h"

namespace tivka::template_tool {

namespace {

constexpr int kCellsPerGroup = 6;
constexpr int kColumns = glyphs::kUprightWindowWidth;
constexpr int kRows = glyphs::kUprightWindowHeight;

Colour background(const Bitmap& cells)
{
    std::vector<Colour> compared;
    for (int cell = 0; cell < glyphs::kCellCount; ++cell)
        for (int row = 0; row < kRows; ++row)
            for (int column = 0; column < kColumns; ++column)
                compared.push_back(cells.pixel(cell * glyphs::kCellPitch + column, row));
    return MostFrequentColour(compared);
}

std::string group(const Bitmap& cells, int firstCell, Colour paper)
{
    std::string art;
    for (int cell = firstCell; cell < firstCell + kCellsPerGroup; ++cell)
        art += std::string("  ") + CharacterOfCell(cell) + std::string(kColumns - 1, ' ');
    art.erase(art.find_last_not_of(' ') + 1);
    art += "\n";
    for (int row = 0; row < kRows; ++row) {
        for (int cell = firstCell; cell < firstCell + kCellsPerGroup; ++cell) {
            art += "  ";
            for (int column = 0; column < kColumns; ++column)
                art += InkMark(cells.pixel(cell * glyphs::kCellPitch + column, row), paper);
        }
        art += "\n";
    }
    return art;
}

}  // namespace

std::string TemplateArt(const Bitmap& cells)
{
    const Colour paper = background(cells);
    return group(cells, 0, paper) + "\n" + group(cells, kCellsPerGroup, paper);
}

}  // namespace tivka::template_tool
