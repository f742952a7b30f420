#include "chart/image_file.h"

#include <memory>
#include <stdexcept>

#include "platform/files.h"

namespace tivka {

std::vector<std::uint8_t> ReadImageFile(const std::string& path, const std::string& kind)
{
    if (IsFolder(path))
        throw std::runtime_error(path + ": is a folder, not a " + kind + " image");
    std::string content;
    std::string reason;
    if (ReadWholeFile(path, content, reason) != ReadOutcome::Read)
        throw std::runtime_error(path + ": cannot be opened (" + reason + ")");
    return std::vector<std::uint8_t>(content.begin(), content.end());
}

void WriteImageFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::unique_ptr<OutputFile> file = OutputFile::Create(path);
    if (!file || !file->write(bytes.data(), bytes.size()) || !file->close())
        throw std::runtime_error("cannot write " + path + " (" + LastSystemError() + ")");
}

}  // namespace tivka
