// The POSIX implementation of the file functions.
#include "platform/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/file.h>
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

bool writeAllBytes(int fd, std::string_view bytes)
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

std::string folderOf(const std::string& path)
{
    std::filesystem::path p(path);
    return p.has_parent_path() ? p.parent_path().string() : ".";
}

// Writes `bytes` over the file from its start and cuts it to their length,
// keeping its inode (a reader holding it open sees the new bytes).
bool rewriteInPlace(const std::string& path, std::string_view bytes, int createFlag)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | createFlag, 0666);
    if (fd < 0)
        return false;
    bool written = writeAllBytes(fd, bytes) && ::ftruncate(fd, off_t(bytes.size())) == 0;
    bool closed = ::close(fd) == 0;
    return written && closed;
}

}  // namespace

std::string LastSystemError()
{
    return std::strerror(errno);
}

ReadOutcome ReadWholeFile(const std::string& path, std::string& content, std::string& reason)
{
    content.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        reason = LastSystemError();
        return errno == ENOENT ? ReadOutcome::Missing : ReadOutcome::Failed;
    }
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (!ok)
        reason = std::strerror(EISDIR);
    char buffer[65536];
    while (ok) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            reason = LastSystemError();
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return ok ? ReadOutcome::Read : ReadOutcome::Failed;
}

bool ReplaceFileAtomically(const std::string& path, std::string_view bytes, std::string& reason)
{
    const std::string target = resolvedTarget(path);
    const std::string folder = folderOf(target);
    // Renaming over the file only needs the folder to be writable; a file
    // made read-only must not be replaced behind its owner's back.
    if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0) {
        reason = LastSystemError();
        return false;
    }
    std::string temporary = folder + "/." + std::filesystem::path(target).filename().string() + ".XXXXXX";
    int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        reason = LastSystemError();
        return false;
    }
    bool ok = copyAttributes(fd, target) && writeAllBytes(fd, bytes) && ::fsync(fd) == 0;
    if (!ok)
        reason = LastSystemError();
    if (::close(fd) != 0 && ok) {
        reason = LastSystemError();
        ok = false;
    }
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
        reason = LastSystemError();
        ok = false;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    syncFolder(folder);
    return true;
}

bool RewriteFile(const std::string& path, std::string_view bytes)
{
    return rewriteInPlace(path, bytes, O_CREAT);
}

bool RewriteExistingFile(const std::string& path, std::string_view bytes)
{
    return rewriteInPlace(path, bytes, 0);
}

bool RemoveFile(const std::string& path)
{
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool IsRegularFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsFolder(const std::string& path)
{
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<std::int64_t> FileModifiedAt(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return std::int64_t(info.st_mtime);
}

void CreateFolders(const std::string& path)
{
    // Each level in turn, so that every new folder gets 0700 and an existing
    // one (or a race with another process making it) is no error.
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string level = path.substr(0, slash);
        if (!level.empty() && ::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST)
            throw std::runtime_error(level + ": " + LastSystemError());
        if (slash == std::string::npos)
            break;
    }
    if (!IsFolder(path))
        throw std::runtime_error(path + ": not a folder");
}

std::unique_ptr<OutputFile> OutputFile::Create(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    return file ? std::unique_ptr<OutputFile>(new OutputFile(file)) : nullptr;
}

OutputFile::~OutputFile()
{
    close();
}

bool OutputFile::write(const void* data, std::size_t size)
{
    if (!handle_)
        return false;
    if (std::fwrite(data, 1, size, static_cast<std::FILE*>(handle_)) != size)
        failed_ = true;
    return !failed_;
}

bool OutputFile::close()
{
    if (!handle_)
        return !failed_;
    if (std::fclose(static_cast<std::FILE*>(handle_)) != 0)
        failed_ = true;
    handle_ = nullptr;
    return !failed_;
}

std::unique_ptr<FileLock> FileLock::TryAcquire(const std::string& path, bool& heldElsewhere, std::string& reason)
{
    heldElsewhere = false;
    const int handle = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (handle < 0) {
        reason = LastSystemError();
        return nullptr;
    }
    if (::flock(handle, LOCK_EX | LOCK_NB) != 0) {
        heldElsewhere = errno == EWOULDBLOCK;
        reason = heldElsewhere ? "held by another process" : LastSystemError();
        ::close(handle);
        return nullptr;
    }
    return std::unique_ptr<FileLock>(new FileLock(handle));
}

FileLock::~FileLock()
{
    ::close(handle_);
}

std::string CreateUniqueFile(const std::string& folder, const std::string& prefix)
{
    std::string pattern = (std::filesystem::path(folder) / (prefix + "XXXXXX")).string();
    int handle = ::mkstemp(pattern.data());
    if (handle < 0)
        throw std::runtime_error(LastSystemError());
    // mkstemp makes the file private; it gets the usual permissions instead.
    ::fchmod(handle, 0666 & ~currentUmask());
    ::close(handle);
    return pattern;
}

bool ClaimFreeName(const std::string& existing, const std::string& target)
{
    // link() fails when the name exists, so nothing is ever replaced.
    if (::link(existing.c_str(), target.c_str()) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    // Where links are not supported, check first and rename.
    std::error_code error;
    if (std::filesystem::exists(target, error))
        return false;
    if (::rename(existing.c_str(), target.c_str()) != 0)
        throw std::runtime_error(LastSystemError());
    return true;
}

}  // namespace tivka
