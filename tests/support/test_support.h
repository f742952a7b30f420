#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tivka::test {

// A fresh temporary folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Makes `dir` the current folder for its lifetime, then restores the old one.
class ScopedCurrentDir {
public:
    explicit ScopedCurrentDir(const std::filesystem::path& dir);
    ~ScopedCurrentDir();
    ScopedCurrentDir(const ScopedCurrentDir&) = delete;
    ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

private:
    std::filesystem::path previous_;
};

// The superuser ignores permission bits, so tests of them run as an
// unprivileged user: as the superuser this runs the current test program
// again as user and group 65534 with only `testName` selected, and returns
// its exit status (0 when that test passed). Returns -1 when the process is
// unprivileged already, and always on Windows, where a read-only file is
// refused to everyone: the caller then makes its checks itself.
int RerunUnprivileged(const std::string& testName);

// Runs `body` in a child process and gives back the text it returned, or
// nothing when the child did not finish within `seconds` (it is killed then)
// or died. For code that, when faulty, would wait forever (on a pipe, say):
// the test then fails by itself instead of hanging. (On Windows the body runs
// on a thread, given up, not ended, when it overruns.)
std::optional<std::string> RunInChild(const std::function<std::string()>& body, unsigned seconds = 10);

// A FIFO at `path`, for code that must never wait on one. Windows has no
// FIFO in a folder: there it throws, and the tests that need one are left
// out of the Windows run by name.
void MakeFifo(const std::filesystem::path& path);

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace tivka::test
