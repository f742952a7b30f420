#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tivka::template_tool {

// Throws std::runtime_error when something (a file, a folder) has the name
// already, saying that --force replaces it.
void CheckNameFree(const std::string& path);

// Writes the bytes to `path` atomically: a reader sees no file or the whole
// one. Without `replace` an existing file is never touched: the bytes are
// written under a temporary name beside it and given the name only if
// nothing has it at that moment. Throws std::runtime_error naming the file.
void WriteTemplateFile(const std::string& path, const std::vector<std::uint8_t>& bytes, bool replace);

}  // namespace tivka::template_tool
