#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "acquisition/bitmap.h"
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

// The two text readers for one chart, one template and one window set, with
// the cell tables laid out once: a chart reading builds one and reads all its
// texts through it. Windows are compared in the chart where they lie inside
// it and copied into the window bitmap only where they reach past its edge;
// either way the window bitmap ends each read holding the last window
// examined, exactly as if every window had been copied into it.
class GlyphReader {
public:
    // `windows` must keep its window sizes while the reader is in use.
    GlyphReader(const DigitTemplate& digits, GlyphWindows& windows, const Bitmap& chart);

    // As ReadUprightText and ReadSideLabel.
    std::string readUprightText(int y0, int y1, int x0, int x1, const std::string& decimalSymbol);
    std::string readSideLabel(int x, const std::string& decimalSymbol);

private:
    // Reads the chart rectangle of one window's size with top-left (x, y).
    struct Window {
        Window(const Bitmap& glyphs, CellTable::Orientation orientation, Bitmap& bitmap, const Bitmap& chart);
        int recognize(int x, int y, const Bitmap& chart);
        void keepLast(const Bitmap& chart);

        Bitmap& bitmap;
        CellTable table;
        std::vector<std::size_t> inChart;
        std::vector<std::size_t> inBitmap;
        bool pending = false;  // the last window examined is not yet in the bitmap
        int lastX = 0;
        int lastY = 0;
    };

    std::string readUprightRow(int y, int x0, int x1, const std::string& decimalSymbol);

    const Bitmap& chart_;
    Window upright_;
    Window side_;
};

}  // namespace tivka
