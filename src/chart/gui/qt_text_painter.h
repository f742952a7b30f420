#pragma once

#include <QFont>
#include <QImage>
#include <QString>

#include "chart/text_painter.h"

namespace tivka {

// Draws `text` on `canvas` with its top-left corner at (x, y): black in `font`
// on an opaque white box of the text's size. The chart marks and the cursor
// readout are all drawn this way.
void DrawCanvasText(QImage& canvas, int x, int y, const QString& text, const QFont& font);

// Draws text with the toolkit's default sans font, in black on an opaque white
// box, top-left corner at (x, y); font smoothing is off so that the redrawn
// labels stay crisp on the chart pictures.
class QtTextPainter final : public TextPainter {
public:
    void drawText(Bitmap& target, int x, int y, int fontSize, std::string_view text) override;
};

}  // namespace tivka
