#pragma once

#include "reading/digit_template.h"

namespace tivka {

// The digit template "ndata.bmp" of the working folder, as the window and the
// feed use it. Throws std::runtime_error saying what is wrong with the file,
// followed by a line telling where a template comes from.
DigitTemplate LoadWorkingTemplate();

}  // namespace tivka
