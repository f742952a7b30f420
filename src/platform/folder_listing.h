#pragma once

#include <string>
#include <vector>

#include "platform/status.h"

namespace tivka {

// The names of the regular files in `folder` (a link counts as what it points
// to), sorted, without the folder. Fails with the system's reason when the
// folder cannot be read.
Result<std::vector<std::string>> FileNamesIn(const std::string& folder);

// Whether two names in one folder name the same file: byte for byte on
// Linux; on Windows, whose file systems ignore case, whatever their case.
bool SameFileName(const std::string& a, const std::string& b);

}  // namespace tivka
