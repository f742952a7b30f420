#include "reading/digit_template.h"

#include "acquisition/bmp_codec.h"

namespace tivka {

DigitTemplate DigitTemplate::load(const std::string& path)
{
    return DigitTemplate(LoadBmpFile(path));
}

}  // namespace tivka
