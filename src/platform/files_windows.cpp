// The Windows implementation of the file functions. Paths arrive as UTF-8 and
// go to the system as UTF-16; every file is opened in binary mode (these are
// plain handles: nothing turns "\n" into "\r\n" or back).
#include "platform/files.h"

#include <cerrno>
#include <cstring>
#include <random>
#include <utility>

#include "platform/windows_text.h"

namespace tivka {

namespace {

using Code = Status::Code;
using windows::Wide;

// Every file is opened so that a terminal may read, write, rename or delete it
// while this program has it open: MetaTrader reads the flags and data files
// at any moment, and a file held without FILE_SHARE_DELETE could not be
// replaced by its owner.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE handleOf(std::intptr_t value)
{
    return reinterpret_cast<HANDLE>(value);
}

bool isMissing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ||
           error == ERROR_BAD_NETPATH;
}

Status systemFailure(const std::string& path, DWORD error)
{
    return Status(isMissing(error) ? Code::NotFound : Code::IoError, path, windows::ErrorText(error));
}

Status notAFile(const std::string& path, const char* what)
{
    return Status(Code::NotAFile, path, std::string(what) + ", not a regular file");
}

// What stands at `path` when it could not be opened as a regular file: a
// folder (which CreateFileW refuses with "access denied") or a link.
Status openFailure(const std::string& path, DWORD error)
{
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            return notAFile(path, "is a link");
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return notAFile(path, "is a folder");
    }
    return systemFailure(path, error);
}

// Refuses an open handle that is not a regular file on disk (a pipe, a
// console, a device; with FILE_FLAG_OPEN_REPARSE_POINT, a link itself).
Status checkRegular(const std::string& path, HANDLE handle)
{
    const DWORD type = ::GetFileType(handle);
    if (type == FILE_TYPE_PIPE)
        return notAFile(path, "is a pipe");
    if (type != FILE_TYPE_DISK)
        return notAFile(path, "is a device");
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info))
        return systemFailure(path, ::GetLastError());
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return notAFile(path, "is a link");
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return notAFile(path, "is a folder");
    return {};
}

// Opens `path` and hands back the handle only when it is a regular file.
Result<HANDLE> openRegular(const std::string& path, DWORD access, DWORD disposition, DWORD flags = 0)
{
    const HANDLE handle = ::CreateFileW(Wide(path).c_str(), access, kShareAll, nullptr, disposition,
                                        FILE_ATTRIBUTE_NORMAL | flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return openFailure(path, ::GetLastError());
    if (Status regular = checkRegular(path, handle); !regular.ok()) {
        ::CloseHandle(handle);
        return regular;
    }
    return handle;
}

bool writeAllBytes(HANDLE handle, std::string_view bytes)
{
    while (!bytes.empty()) {
        const DWORD piece = DWORD(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(handle, bytes.data(), piece, &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

bool cutAt(HANDLE handle, std::size_t size)
{
    LARGE_INTEGER position{};
    position.QuadPart = LONGLONG(size);
    return ::SetFilePointerEx(handle, position, nullptr, FILE_BEGIN) && ::SetEndOfFile(handle);
}

std::size_t lastSeparator(const std::string& path)
{
    return path.find_last_of("\\/");
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = lastSeparator(path);
    if (slash == std::string::npos)
        return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : ".";
    return path.substr(0, slash == 0 || (slash == 2 && path[1] == ':') ? slash + 1 : slash);
}

std::string joined(const std::string& folder, const std::string& name)
{
    return folder.empty() || windows::IsSeparator(folder.back()) ? folder + name : folder + "\\" + name;
}

// The file a link at `path` leads to, or `path` itself: the settings file may
// be a link, and it is its target that is replaced.
std::string resolvedTarget(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return path;
    const HANDLE handle = ::CreateFileW(Wide(path).c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return path;
    std::wstring target(MAX_PATH, L'\0');
    DWORD size = ::GetFinalPathNameByHandleW(handle, target.data(), DWORD(target.size()), FILE_NAME_NORMALIZED);
    if (size >= target.size()) {
        target.resize(size + 1);
        size = ::GetFinalPathNameByHandleW(handle, target.data(), DWORD(target.size()), FILE_NAME_NORMALIZED);
    }
    ::CloseHandle(handle);
    if (size == 0 || size >= target.size())
        return path;
    target.resize(size);
    return windows::Narrow(target);
}

// A name no other file has: six random letters and digits after `prefix`.
std::string randomSuffix()
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937 random{std::random_device{}() ^ unsigned(::GetCurrentProcessId())};
    std::string suffix(6, 'x');
    for (char& c : suffix)
        c = kLetters[random() % (sizeof kLetters - 1)];
    return suffix;
}

// Creates a new file under `stem` + six random characters; its handle and
// path. The failure names `subject`.
Result<std::pair<HANDLE, std::string>> createUnique(const std::string& stem, const std::string& subject)
{
    for (int attempt = 0;; ++attempt) {
        const std::string path = stem + randomSuffix();
        const HANDLE handle = ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE)
            return std::pair(handle, path);
        const DWORD error = ::GetLastError();
        if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || attempt == 100)
            return systemFailure(subject, error);
    }
}

// Writes `bytes` over the file from its start and cuts it to their length,
// the file staying the same (a terminal holding it open sees the new bytes).
// Never through a link (FILE_FLAG_OPEN_REPARSE_POINT opens the link itself,
// which is then refused), and only into a regular file.
Status rewriteInPlace(const std::string& path, std::string_view bytes, DWORD disposition)
{
    const Result<HANDLE> handle = openRegular(path, GENERIC_WRITE, disposition, FILE_FLAG_OPEN_REPARSE_POINT);
    if (!handle.ok())
        return handle.status();
    Status status;
    if (!writeAllBytes(handle.value(), bytes) || !cutAt(handle.value(), bytes.size()))
        status = systemFailure(path, ::GetLastError());
    if (!::CloseHandle(handle.value()) && status.ok())
        status = systemFailure(path, ::GetLastError());
    return status;
}

}  // namespace

std::string LastSystemError()
{
    return std::strerror(errno);
}

Result<std::string> ReadWholeFile(const std::string& path)
{
    const Result<HANDLE> handle = openRegular(path, GENERIC_READ, OPEN_EXISTING);
    if (!handle.ok())
        return handle.status();
    std::string content;
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(handle.value(), &size) && size.QuadPart > 0)
        content.reserve(std::size_t(size.QuadPart));
    Status status;
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(handle.value(), buffer, sizeof buffer, &got, nullptr)) {
            status = systemFailure(path, ::GetLastError());
            break;
        }
        if (got == 0)
            break;
        content.append(buffer, got);
    }
    ::CloseHandle(handle.value());
    if (!status.ok())
        return status;
    return content;
}

Status ReplaceFileAtomically(const std::string& path, std::string_view bytes)
{
    const std::string target = resolvedTarget(path);
    const std::wstring wideTarget = Wide(target);
    // Renaming over the file only needs the folder to be writable; a file
    // made read-only must not be replaced behind its owner's back.
    const DWORD attributes = ::GetFileAttributesW(wideTarget.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return notAFile(path, "is a folder");
        if (attributes & FILE_ATTRIBUTE_READONLY)
            return systemFailure(path, ERROR_ACCESS_DENIED);
        const HANDLE probe = ::CreateFileW(wideTarget.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (probe == INVALID_HANDLE_VALUE)
            return systemFailure(path, ::GetLastError());
        ::CloseHandle(probe);
    }
    const std::size_t slash = lastSeparator(target);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    const auto created = createUnique(joined(folderOf(target), "." + name + "."), path);
    if (!created.ok())
        return created.status();
    const auto& [handle, temporary] = created.value();
    Status status;
    if (!writeAllBytes(handle, bytes) || !::FlushFileBuffers(handle))
        status = systemFailure(path, ::GetLastError());
    if (!::CloseHandle(handle) && status.ok())
        status = systemFailure(path, ::GetLastError());
    // Within one folder the rename replaces the file in one step; the write
    // through makes it reach the disk before the call returns.
    if (status.ok() && !::MoveFileExW(Wide(temporary).c_str(), wideTarget.c_str(),
                                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        status = systemFailure(path, ::GetLastError());
    if (!status.ok())
        ::DeleteFileW(Wide(temporary).c_str());
    return status;
}

Status RewriteFile(const std::string& path, std::string_view bytes)
{
    return rewriteInPlace(path, bytes, OPEN_ALWAYS);
}

Status RewriteExistingFile(const std::string& path, std::string_view bytes)
{
    return rewriteInPlace(path, bytes, OPEN_EXISTING);
}

Status RemoveFile(const std::string& path)
{
    if (::DeleteFileW(Wide(path).c_str()))
        return Status();
    const DWORD error = ::GetLastError();
    return isMissing(error) ? Status() : systemFailure(path, error);
}

bool IsRegularFile(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool NameTaken(const std::string& path)
{
    return ::GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

Result<std::int64_t> FileModifiedAt(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data))
        return systemFailure(path, ::GetLastError());
    const std::uint64_t ticks = (std::uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                data.ftLastWriteTime.dwLowDateTime;
    constexpr std::uint64_t kTicksFrom1601To1970 = 116444736000000000ULL;  // in 100 ns
    return std::int64_t((ticks - kTicksFrom1601To1970) / 10000000ULL);
}

Status CreateFolders(const std::string& path)
{
    // Each level in turn; the drive ("C:\") or the share ("\\server\share\")
    // at the start is never made.
    std::size_t start = 0;
    if (path.size() >= 2 && path[1] == ':')
        start = 2;
    else if (path.size() >= 2 && windows::IsSeparator(path[0]) && windows::IsSeparator(path[1]))
        start = path.find_first_of("\\/", path.find_first_of("\\/", 2) + 1);
    for (std::size_t slash = path.find_first_of("\\/", start == std::string::npos ? path.size() : start + 1);;
         slash = path.find_first_of("\\/", slash + 1)) {
        const std::string level = path.substr(0, slash);
        if (!level.empty() && level.size() > start && !windows::IsSeparator(level.back()) &&
            !::CreateDirectoryW(Wide(level).c_str(), nullptr)) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_ALREADY_EXISTS)
                return systemFailure(level, error);
        }
        if (slash == std::string::npos)
            break;
    }
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return systemFailure(path, ::GetLastError());
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? Status() : Status(Code::NotAFile, path, "not a folder");
}

Result<OutputFile> OutputFile::Create(const std::string& path)
{
    // Emptied only once it is known to be a regular file: CREATE_ALWAYS
    // would act before the check.
    const Result<HANDLE> handle = openRegular(path, GENERIC_WRITE, OPEN_ALWAYS);
    if (!handle.ok())
        return handle.status();
    if (!cutAt(handle.value(), 0)) {
        const Status failure = systemFailure(path, ::GetLastError());
        ::CloseHandle(handle.value());
        return failure;
    }
    return OutputFile(reinterpret_cast<std::intptr_t>(handle.value()), path);
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
    if (failure_.ok() && handle_ == -1)
        failure_ = Status(Code::IoError, path_, "written after it was closed");
    if (failure_.ok() && !writeAllBytes(handleOf(handle_), {static_cast<const char*>(data), size}))
        failure_ = systemFailure(path_, ::GetLastError());
    return failure_;
}

Status OutputFile::close()
{
    if (handle_ != -1 && !::CloseHandle(handleOf(std::exchange(handle_, -1))) && failure_.ok())
        failure_ = systemFailure(path_, ::GetLastError());
    return failure_;
}

namespace {

// The byte locked: far past anything the file holds, since a lock on Windows
// also keeps others from reading the bytes it covers, and the holder's
// process number must stay readable.
OVERLAPPED lockedByte()
{
    OVERLAPPED at{};
    at.OffsetHigh = 0x40000000;
    return at;
}

}  // namespace

Result<FileLock> FileLock::TryAcquire(const std::string& path)
{
    const HANDLE handle = ::CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return systemFailure(path, ::GetLastError());
    OVERLAPPED at = lockedByte();
    if (!::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        const DWORD error = ::GetLastError();
        // The holder wrote its process number into the file.
        char holder[32] = {};
        DWORD got = 0;
        if (!::ReadFile(handle, holder, sizeof holder - 1, &got, nullptr))
            got = 0;
        ::CloseHandle(handle);
        if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING)
            return systemFailure(path, error);
        const long pid = got > 0 ? std::strtol(holder, nullptr, 10) : 0;
        return Status(Code::Busy, path,
                      pid > 0 ? "held by process " + std::to_string(pid) : std::string("held by another process"));
    }
    // Who holds it, for the one that finds it taken; not fatal if it cannot
    // be written.
    const std::string pid = std::to_string(::GetCurrentProcessId()) + "\n";
    if (cutAt(handle, 0))
        writeAllBytes(handle, pid);
    return FileLock(reinterpret_cast<std::intptr_t>(handle));
}

FileLock::FileLock(FileLock&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept
{
    if (this != &other) {
        if (handle_ != -1)
            ::CloseHandle(handleOf(handle_));
        handle_ = std::exchange(other.handle_, -1);
    }
    return *this;
}

FileLock::~FileLock()
{
    if (handle_ != -1)
        ::CloseHandle(handleOf(handle_));  // closing the handle drops the lock
}

Result<std::string> CreateUniqueFile(const std::string& folder, const std::string& prefix)
{
    const auto created = createUnique(joined(folder, prefix), folder);
    if (!created.ok())
        return created.status();
    ::CloseHandle(created.value().first);
    return created.value().second;
}

Status ClaimFreeName(const std::string& existing, const std::string& target)
{
    // Both fail when the name exists, so nothing is ever replaced.
    if (::CreateHardLinkW(Wide(target).c_str(), Wide(existing).c_str(), nullptr))
        return Status();
    DWORD error = ::GetLastError();
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) {
        // Where links are not supported, a rename that never replaces.
        if (::MoveFileExW(Wide(existing).c_str(), Wide(target).c_str(), 0))
            return Status();
        error = ::GetLastError();
    }
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
        return Status(Code::Exists, target, windows::ErrorText(error));
    return systemFailure(target, error);
}

}  // namespace tivka
