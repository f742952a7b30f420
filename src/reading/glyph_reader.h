#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "chart/bitmap.h"
#include "reading/digit_template.h"

namespace tivka {

// The compared pixels of the 12 template cells for one window size and
// orientation, laid out in the order a window is walked (bottom compared row
// first, each row left to right). Cell k matches a window when every
// compared window pixel equals the cell's; a cell reaching outside the
// template, or holding colours::none in its compared area, never matches.
class CellTable {
public:
    enum class Orientation { upright, side };

    CellTable(const Bitmap& glyphs, Orientation orientation, int windowWidth, int windowHeight);

    // Window pixel offsets of the compared positions when the window's rows
    // lie `stride` pixels apart.
    std::vector<std::size_t> offsets(std::size_t stride) const;

    // The first cell the window whose top-left pixel is `origin` equals
    // (offsets from offsets()), or -1.
    int match(const Colour* origin, const std::vector<std::size_t>& offsets) const;

private:
    struct Cell {
        int index;
        std::size_t probe;  // a position whose colour differs from the first, if any
        std::size_t first;  // its colours start at colours_[first]
    };

    bool addCell(const Bitmap& glyphs, Orientation orientation, int index, int windowHeight);
    bool matches(const Cell& cell, const Colour* origin, const std::vector<std::size_t>& offsets) const;

    int windowWidth_;
    std::vector<std::size_t> positions_;  // y * windowWidth + x
    std::array<Cell, 12> cells_{};
    std::size_t cellCount_ = 0;
    std::vector<Colour> colours_;
};

// The two text readers for one chart and one template, with the cell tables
// laid out once: a chart reading builds one and reads all its texts through
// it. Windows are compared in the chart where they lie inside it and copied
// into a window bitmap only where they reach past its edge.
class GlyphReader {
public:
    // `digits` and `chart` must outlive the reader.
    GlyphReader(const DigitTemplate& digits, const Bitmap& chart);

    // As ReadUprightText and ReadSideLabel.
    std::string readUprightText(const geometry::TextBand& band, const std::string& decimalSymbol);
    std::string readSideLabel(int x, const std::string& decimalSymbol);

private:
    // Recognises the chart rectangle of one window's size with top-left (x, y).
    class Window {
    public:
        Window(const Bitmap& glyphs, CellTable::Orientation orientation, int width, int height, const Bitmap& chart);
        int recognize(int x, int y, const Bitmap& chart);

    private:
        Bitmap spare_;  // the window's pixels where it reaches past the chart's edge
        CellTable table_;
        std::vector<std::size_t> inChart_;
        std::vector<std::size_t> inSpare_;
    };

    std::string readUprightRow(int y, int x0, int x1, const std::string& decimalSymbol);

    const Bitmap& chart_;
    Window upright_;
    Window side_;
};

}  // namespace tivka
