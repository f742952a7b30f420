// The POSIX implementation of the file functions.
#include "platform/files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tivka {

namespace {

using Code = Status::Code;

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

Status systemFailure(const std::string& path, int error)
{
    return Status(error == ENOENT ? Code::NotFound : Code::IoError, path, std::strerror(error));
}

// What stands where a regular file was expected.
Status notAFile(const std::string& path, mode_t mode)
{
    const char* what = S_ISDIR(mode)                    ? "is a folder"
                       : S_ISFIFO(mode)                 ? "is a pipe"
                       : S_ISLNK(mode)                  ? "is a symbolic link"
                       : S_ISSOCK(mode)                 ? "is a socket"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "is a device"
                                                        : "is something";
    return Status(Code::NotAFile, path, std::string(what) + ", not a regular file");
}

// Why open() failed. A link refused by O_NOFOLLOW, a pipe nobody reads
// (opened without waiting for one) and a folder opened for writing are all
// the same case: not a regular file; the detail says what is there instead.
Status openFailure(const std::string& path)
{
    const int error = errno;
    struct stat info {};
    if ((error == ELOOP || error == ENXIO || error == EISDIR) && ::lstat(path.c_str(), &info) == 0 &&
        !S_ISREG(info.st_mode))
        return notAFile(path, info.st_mode);
    return systemFailure(path, error);
}

// Opens `path` without waiting on a pipe or a device, and hands back the
// descriptor only when it is a regular file, switched back to blocking I/O.
Result<int> openRegular(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return openFailure(path);
    struct stat info {};
    Status status;
    if (::fstat(fd, &info) != 0)
        status = systemFailure(path, errno);
    else if (!S_ISREG(info.st_mode))
        status = notAFile(path, info.st_mode);
    else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        status = systemFailure(path, errno);
    if (status.ok())
        return fd;
    ::close(fd);
    return status;
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
// keeping its inode (a reader holding it open sees the new bytes). Never
// through a link, and only into a regular file.
Status rewriteInPlace(const std::string& path, std::string_view bytes, int createFlag)
{
    const Result<int> fd = openRegular(path, O_WRONLY | O_NOFOLLOW | createFlag);
    if (!fd.ok())
        return fd.status();
    Status status;
    if (!writeAllBytes(fd.value(), bytes) || ::ftruncate(fd.value(), off_t(bytes.size())) != 0)
        status = systemFailure(path, errno);
    if (::close(fd.value()) != 0 && status.ok())
        status = systemFailure(path, errno);
    return status;
}

}  // namespace

std::string LastSystemError()
{
    return std::strerror(errno);
}

Result<std::string> ReadWholeFile(const std::string& path)
{
    const Result<int> fd = openRegular(path, O_RDONLY);
    if (!fd.ok())
        return fd.status();
    std::string content;
    struct stat info {};
    if (::fstat(fd.value(), &info) == 0 && info.st_size > 0)
        content.reserve(std::size_t(info.st_size));
    Status status;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.value(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            status = systemFailure(path, errno);
        if (got <= 0)
            break;
        content.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd.value());
    if (!status.ok())
        return status;
    return content;
}

Status ReplaceFileAtomically(const std::string& path, std::string_view bytes)
{
    const std::string target = resolvedTarget(path);
    const std::string folder = folderOf(target);
    // Renaming over the file only needs the folder to be writable; a file
    // made read-only must not be replaced behind its owner's back.
    if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0)
        return systemFailure(path, errno);
    std::string temporary = folder + "/." + std::filesystem::path(target).filename().string() + ".XXXXXX";
    int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return systemFailure(path, errno);
    Status status;
    if (!copyAttributes(fd, target) || !writeAllBytes(fd, bytes) || ::fsync(fd) != 0)
        status = systemFailure(path, errno);
    if (::close(fd) != 0 && status.ok())
        status = systemFailure(path, errno);
    if (status.ok() && ::rename(temporary.c_str(), target.c_str()) != 0)
        status = systemFailure(path, errno);
    if (!status.ok()) {
        ::unlink(temporary.c_str());
        return status;
    }
    syncFolder(folder);
    return status;
}

Status RewriteFile(const std::string& path, std::string_view bytes)
{
    return rewriteInPlace(path, bytes, O_CREAT);
}

Status RewriteExistingFile(const std::string& path, std::string_view bytes)
{
    return rewriteInPlace(path, bytes, 0);
}

Status RemoveFile(const std::string& path)
{
    if (::unlink(path.c_str()) == 0 || errno == ENOENT)
        return Status();
    return systemFailure(path, errno);
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

bool NameTaken(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

Result<std::int64_t> FileModifiedAt(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return systemFailure(path, errno);
    return std::int64_t(info.st_mtime);
}

Status CreateFolders(const std::string& path)
{
    // Each level in turn, so that every new folder gets 0700 and an existing
    // one (or a race with another process making it) is no error.
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string level = path.substr(0, slash);
        if (!level.empty() && ::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST)
            return systemFailure(level, errno);
        if (slash == std::string::npos)
            break;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return systemFailure(path, errno);
    return S_ISDIR(info.st_mode) ? Status() : Status(Code::NotAFile, path, "not a folder");
}

Result<OutputFile> OutputFile::Create(const std::string& path)
{
    // Emptied only once it is known to be a regular file: O_TRUNC would act
    // before the check.
    const Result<int> fd = openRegular(path, O_WRONLY | O_CREAT);
    if (!fd.ok())
        return fd.status();
    if (::ftruncate(fd.value(), 0) != 0) {
        const Status failure = systemFailure(path, errno);
        ::close(fd.value());
        return failure;
    }
    return OutputFile(fd.value(), path);
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), path_(std::move(other.path_)), failure_(std::move(other.failure_))
{
}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept
{
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, -1);
        path_ = std::move(other.path_);
        failure_ = std::move(other.failure_);
    }
    return *this;
}

OutputFile::~OutputFile()
{
    close();
}

Status OutputFile::write(const void* data, std::size_t size)
{
    if (failure_.ok() && handle_ < 0)
        failure_ = Status(Code::IoError, path_, "written after it was closed");
    if (failure_.ok() && !writeAllBytes(handle_, {static_cast<const char*>(data), size}))
        failure_ = systemFailure(path_, errno);
    return failure_;
}

Status OutputFile::close()
{
    if (handle_ >= 0 && ::close(std::exchange(handle_, -1)) != 0 && failure_.ok())
        failure_ = systemFailure(path_, errno);
    return failure_;
}

Result<FileLock> FileLock::TryAcquire(const std::string& path)
{
    const int handle = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (handle < 0)
        return systemFailure(path, errno);
    if (::flock(handle, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        // The holder wrote its process number into the file.
        char holder[32] = {};
        const ssize_t got = ::pread(handle, holder, sizeof holder - 1, 0);
        ::close(handle);
        if (error != EWOULDBLOCK)
            return systemFailure(path, error);
        const long pid = got > 0 ? std::strtol(holder, nullptr, 10) : 0;
        return Status(Code::Busy, path,
                      pid > 0 ? "held by process " + std::to_string(pid) : std::string("held by another process"));
    }
    // Who holds it, for the one that finds it taken; not fatal if it cannot
    // be written.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(handle, 0) == 0)
        (void)!::pwrite(handle, pid.data(), pid.size(), 0);
    return FileLock(handle);
}

FileLock::FileLock(FileLock&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other) {
        if (handle_ >= 0)
            ::close(handle_);
        handle_ = std::exchange(other.handle_, -1);
    }
    return *this;
}

FileLock::~FileLock()
{
    if (handle_ >= 0)
        ::close(handle_);
}

Result<std::string> CreateUniqueFile(const std::string& folder, const std::string& prefix)
{
    std::string pattern = (std::filesystem::path(folder) / (prefix + "XXXXXX")).string();
    int handle = ::mkstemp(pattern.data());
    if (handle < 0)
        return systemFailure(folder, errno);
    // mkstemp makes the file private; it gets the usual permissions instead.
    ::fchmod(handle, 0666 & ~currentUmask());
    ::close(handle);
    return pattern;
}

Status ClaimFreeName(const std::string& existing, const std::string& target)
{
    // link() fails when the name exists, so nothing is ever replaced.
    if (::link(existing.c_str(), target.c_str()) == 0)
        return Status();
    if (errno == EEXIST)
        return Status(Code::Exists, target, std::strerror(EEXIST));
    // Where links are not supported, check first and rename.
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(target, error)))
        return Status(Code::Exists, target, std::strerror(EEXIST));
    if (::rename(existing.c_str(), target.c_str()) != 0)
        return systemFailure(target, errno);
    return Status();
}

}  // namespace tivka
