#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tivka {

// The whole content of an image file. Throws std::runtime_error naming the
// file when it is a folder ("is a folder, not a <kind> image"), anything else
// that is not a regular file ("<path>: is a pipe, not a regular file"; a pipe
// is never waited on) or cannot be opened or read (with the system's reason).
std::vector<std::uint8_t> ReadImageFile(const std::string& path, const std::string& kind);

// Creates or replaces the file at `path` with `bytes`. Throws
// std::runtime_error("cannot write <path> (<reason>)") on failure, and when
// something other than a regular file is there (which is left alone).
void WriteImageFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace tivka
