#pragma once

// A private folder under the system's temporary folder for harnesses that
// must hand their input over as a file. Created on first use, removed when
// the fuzzer exits (the folder object is a function-local static, so it is
// destroyed together with the path it holds, never after it).
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace tivka::fuzz {

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tivka-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        path_ = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// The harness's one temporary folder.
inline const TempFolder& tempFolder()
{
    static const TempFolder folder;
    return folder;
}

}  // namespace tivka::fuzz
