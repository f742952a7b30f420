#pragma once

#include <string>
#include <vector>

#include "platform/status.h"

namespace tivka {

// The names of the regular files in `folder` (a link counts as what it points
// to), sorted, without the folder. Fails with the system's reason when the
// folder cannot be read.
Result<std::vector<std::string>> FileNamesIn(const std::string& folder);

}  // namespace tivka
