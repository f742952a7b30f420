// Assembling the template from character samples. Two characters whose cells
// come out alike wherever one reader compares could never be told apart by it.
#include <gtest/gtest.h>

#include <set>

#include "chart_server/chart_renderer.h"
#include "reading/template_assembly.h"

namespace tivka {
namespace {

// One found text per cell and orientation, cut from `cells` where the
// readers compare: upright rows 1-9, sideways columns 0-4.
std::vector<FoundText> samplesOf(const Bitmap& cells)
{
    std::vector<FoundText> texts;
    for (bool upright : {true, false})
        for (int cell = 0; cell < glyphs::kCellCount; ++cell) {
            CharacterSample sample{cell, upright, {}, {"cells.png", upright ? "upright" : "sideways", cell + 1}};
            for (int row = 0; row < 10; ++row)
                for (int column = 0; column < 6; ++column)
                    sample.pixels[std::size_t(row * 6 + column)] =
                        sample.covers(column, row) ? cells.pixel(8 * cell + column, row) : colours::none;
            texts.push_back({{{sample}}});
        }
    return texts;
}

// Cell 9 made a copy of cell 4 but for the pixels (column, row) changed.
TEST(TemplateAssembly, RefusesCellsThatOneReaderCannotTellApart)
{
    const struct { const char* difference; std::set<std::pair<int, int>> changed; bool refused; } cases[] = {
        {"none", {}, true},
        {"a glyph pixel, compared by both", {{2, 1}}, false},
        {"the column after the glyph, compared upright only", {{5, 5}}, true},
        {"the row above it, compared sideways only", {{2, 0}}, true},
        {"a pixel of each reader's own", {{2, 0}, {5, 5}}, false},
    };
    for (const auto& c : cases) {
        Bitmap cells = charts::DigitTemplateBitmap();
        for (int row = 0; row < 10; ++row)
            for (int column = 0; column < 6; ++column)
                cells.setPixel(8 * 9 + column, row,
                               c.changed.count({column, row}) ? colours::grey : cells.pixel(8 * 4 + column, row));
        try {
            EXPECT_EQ(AssembleTemplate(samplesOf(cells)).cells, cells) << c.difference;
            EXPECT_FALSE(c.refused) << c.difference;
        } catch (const TemplateSourceError& e) {
            EXPECT_TRUE(c.refused) << c.difference;
            EXPECT_STREQ(e.what(),
                         "'4' and '9' look the same, so the readers could not tell them apart:\n"
                         "  cells.png, upright, character 5\n  cells.png, upright, character 10\n"
                         "Check both texts against their charts.");
        }
    }
}

}  // namespace
}  // namespace tivka
