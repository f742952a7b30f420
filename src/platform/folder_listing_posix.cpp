// The POSIX implementation of the folder listing.
#include "platform/folder_listing.h"

#include <algorithm>
#include <filesystem>

namespace tivka {

namespace fs = std::filesystem;

Result<std::vector<std::string>> FileNamesIn(const std::string& folder)
{
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    std::vector<std::string> names;
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        std::error_code typeError;
        if (entries->is_regular_file(typeError))
            names.push_back(entries->path().filename().string());
    }
    if (error)
        return Status(error == std::errc::no_such_file_or_directory ? Status::Code::NotFound : Status::Code::IoError,
                      folder, error.message());
    std::sort(names.begin(), names.end());
    return names;
}

bool SameFileName(const std::string& a, const std::string& b)
{
    return a == b;
}

}  // namespace tivka
