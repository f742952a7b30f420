#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tivka {

// The whole content of an image file. Throws std::runtime_error naming the
// file when it is a folder ("is a folder, not a <kind> image") or cannot be
// opened or read (with the system's reason).
std::vector<std::uint8_t> ReadImageFile(const std::string& path, const std::string& kind);

// Creates or replaces the file at `path` with `bytes`. Throws
// std::runtime_error("cannot write <path> (<reason>)") on failure.
void WriteImageFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace tivka
