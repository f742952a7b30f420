#pragma once

#include <QImage>

#include "chart/bitmap.h"

namespace tivka {

// A Format_RGB32 image with the bitmap's size and exactly its colours.
QImage toQImage(const Bitmap& bitmap);

// A bitmap with the image's size and exactly its RGB colours (any format is
// converted with Qt's own conversion to RGB32 first). A null
// image gives an empty bitmap.
Bitmap fromQImage(const QImage& image);

}  // namespace tivka
