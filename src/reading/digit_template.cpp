#include "reading/digit_template.h"

#include <stdexcept>

#include "chart/bmp_codec.h"

namespace tivka {

DigitTemplate DigitTemplate::load(const std::string& path)
{
    Bitmap glyphs = LoadBmpFile(path);
    // A smaller file lacks cells: every price would then read as nothing
    // without a word, so the file is refused at start-up instead.
    if (glyphs.width() < glyphs::kMinTemplateWidth || glyphs.height() < glyphs::kMinTemplateHeight)
        throw std::runtime_error(path + ": the digit template is " + std::to_string(glyphs.width()) + " x " +
                                 std::to_string(glyphs.height()) + " pixels; it must be at least " +
                                 std::to_string(glyphs::kMinTemplateWidth) + " x " +
                                 std::to_string(glyphs::kMinTemplateHeight));
    return DigitTemplate(std::move(glyphs));
}

}  // namespace tivka
