#include "acquisition/image_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tivka {

std::vector<std::uint8_t> ReadImageFile(const std::string& path, const std::string& kind)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        throw std::runtime_error(path + ": is a folder, not a " + kind + " image");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error(path + ": cannot be opened (" + std::strerror(errno) + ")");
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        throw std::runtime_error(path + ": cannot be read");
    return bytes;
}

}  // namespace tivka
