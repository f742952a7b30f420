#include "platform/file_replace.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace tivka {

namespace {

// The process umask, read without changing it (umask() would, for a moment).
mode_t currentUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Umask:", 0) == 0)
            return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    return 022;
}

std::string resolvedTarget(const std::string& path)
{
    std::error_code error;
    if (!std::filesystem::is_symlink(path, error))
        return path;
    std::filesystem::path target = std::filesystem::weakly_canonical(path, error);
    return error ? path : target.string();
}

// Permission bits and owner for the new file: the old file's, or the
// defaults of a newly created file.
bool copyAttributes(int fd, const std::string& target)
{
    struct stat old {};
    if (::stat(target.c_str(), &old) != 0)
        return ::fchmod(fd, 0666 & ~currentUmask()) == 0;
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
        // Only the superuser may hand the file back to its owner; anyone
        // else writes a file of their own, as a plain rewrite would not.
        (void)::fchown(fd, old.st_uid, old.st_gid);
    }
    return ::fchmod(fd, old.st_mode & 07777) == 0;
}

void syncFolder(const std::string& folder)
{
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);  // the rename is already done; this only hastens it to disk
    ::close(fd);
}

}  // namespace

bool WriteAllBytes(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

ReadOutcome ReadWholeFile(const std::string& path, std::string& content)
{
    content.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? ReadOutcome::Missing : ReadOutcome::Failed;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    char buffer[65536];
    while (ok) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return ok ? ReadOutcome::Read : ReadOutcome::Failed;
}

bool ReplaceFileContents(const std::string& path, std::string_view bytes)
{
    const std::string target = resolvedTarget(path);
    std::filesystem::path targetPath(target);
    std::string folder = targetPath.has_parent_path() ? targetPath.parent_path().string() : ".";
    std::string temporary = folder + "/." + targetPath.filename().string() + ".XXXXXX";
    int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return false;
    bool ok = copyAttributes(fd, target) && WriteAllBytes(fd, bytes) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    syncFolder(folder);
    return true;
}

}  // namespace tivka
