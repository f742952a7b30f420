#include "chart/image_file.h"

#include <stdexcept>

#include "platform/files.h"

namespace tivka {

std::vector<std::uint8_t> ReadImageFile(const std::string& path, const std::string& kind)
{
    if (IsFolder(path))
        throw std::runtime_error(path + ": is a folder, not a " + kind + " image");
    const Result<std::string> content = ReadWholeFile(path);
    if (content.ok())
        return std::vector<std::uint8_t>(content->begin(), content->end());
    if (content.status().code() == Status::Code::NotAFile)
        throw std::runtime_error(content.status().text());
    throw std::runtime_error(path + ": cannot be opened (" + content.status().detail() + ")");
}

void WriteImageFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    Result<OutputFile> file = OutputFile::Create(path);
    Status written = file.ok() ? file->write(bytes.data(), bytes.size()) : file.status();
    if (written.ok())
        written = file->close();
    if (!written.ok())
        throw std::runtime_error("cannot write " + path + " (" + written.detail() + ")");
}

}  // namespace tivka
