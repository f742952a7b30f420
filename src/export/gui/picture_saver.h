#pragma once

#include <QImage>
#include <QWidget>
#include <string>

#include "platform/gui/modal_runner.h"

namespace tivka {

// "Файл" -> "Сохранить": saves the chart picture as a PNG file chosen in a
// save dialog ("savePictureDialog").
class PictureSaver {
public:
    PictureSaver(ModalRunner& modal, QWidget* parent);

    // Proposes the pair code of `pairText` (GBP/USD -> GBPUSD) as the file
    // name; a name typed without an extension gets ".png". Cancel writes
    // nothing. Otherwise writes `picture` losslessly, pixel for pixel,
    // replacing any file there (the dialog asks first). A null picture (no
    // chart drawn yet) is saved as the blank white canvas. Throws
    // std::runtime_error naming the file when it cannot be written.
    void save(const QImage& picture, const std::string& pairText);

private:
    ModalRunner& modal_;
    QWidget* parent_;
};

}  // namespace tivka
