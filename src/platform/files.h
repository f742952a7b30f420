#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <memory>
#include <string>
#include <string_view>

namespace tivka {

// Every file the program touches goes through these functions. Paths are
// UTF-8 text; files are always opened in binary mode, so bytes go to disk
// exactly as given.

enum class ReadOutcome { Read, Missing, Failed };

// Reads the whole content of a regular file into `content`. Missing: nothing
// at `path`. Failed: something is there but cannot be read as a file (a
// folder, no permission, an I/O error), so that a caller about to rewrite it
// never mistakes it for an empty file. On Missing and Failed, `reason` says
// why in the system's words.
ReadOutcome ReadWholeFile(const std::string& path, std::string& content, std::string& reason);

// Replaces the file at `path` (through a symbolic link, its target) with
// `bytes` so that it is either the old file or the complete new one, never
// anything between: the bytes go to a new file in the same folder, are
// flushed to disk, and the new file is renamed over the old. The old file's
// permission bits (and, where allowed, owner) carry over; a new file gets
// 0666 less the umask. A file its owner made read-only is refused like any
// other unwritable file, although the folder would allow the rename. Returns
// false, with the old file untouched and no stray file left, when any step
// fails; `reason` then says why.
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes, std::string& reason);

// Creates `path` or rewrites it in place to hold exactly `bytes`; false
// unless every byte was written, the old tail cut off and the file closed
// cleanly. Writing over the old content and cutting the rest afterwards,
// rather than truncating first, spares the file system the flush it forces
// on a file emptied and refilled.
bool RewriteFile(const std::string& path, std::string_view bytes);

// Rewrites an existing file in place to hold exactly `bytes`, as RewriteFile
// does, but never creates one: false when nothing is at `path`.
bool RewriteExistingFile(const std::string& path, std::string_view bytes);

// Deletes a file; true when nothing is left at `path`.
bool RemoveFile(const std::string& path);

// Creates the folder `path` and any missing folder above it, each with 0700
// (a user's private data); an existing folder is left as it is. Throws
// std::runtime_error("<path>: <reason>") when it cannot be made.
void CreateFolders(const std::string& path);

bool IsRegularFile(const std::string& path);

// When the file was last modified, in seconds since the epoch; nothing when
// there is no such file.
std::optional<std::int64_t> FileModifiedAt(const std::string& path);
bool IsFolder(const std::string& path);

// The system's text for the error of the last failed call on this thread.
std::string LastSystemError();

// A file written piece by piece (created or truncated when opened).
class OutputFile {
public:
    // nullptr when the file cannot be created.
    static std::unique_ptr<OutputFile> Create(const std::string& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool write(const void* data, std::size_t size);
    // Flushes and closes; false when anything written was lost.
    bool close();

private:
    explicit OutputFile(void* handle) : handle_(handle) {}
    void* handle_;
    bool failed_ = false;
};

// An advisory lock on a file, held by this process until the object goes
// (the system also drops it when the process ends, however it ends).
class FileLock {
public:
    // The lock on `path` (created if missing), or nullptr when another
    // process holds it (`heldElsewhere`) or the file cannot be opened;
    // `reason` then says why.
    static std::unique_ptr<FileLock> TryAcquire(const std::string& path, bool& heldElsewhere, std::string& reason);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    explicit FileLock(int handle) : handle_(handle) {}
    int handle_;
};

// A new, empty file with a unique name "<prefix>XXXXXX" in `folder`, with the
// permissions a new file gets (0666 less the umask). Returns its path; throws
// std::runtime_error with the system's reason when it cannot be made.
std::string CreateUniqueFile(const std::string& folder, const std::string& prefix);

// Gives the file `existing` the additional name `target`, but only if nothing
// has that name: false when the name is taken (the check and the naming are
// one step where the file system allows it). Throws std::runtime_error with
// the system's reason on any other failure.
bool ClaimFreeName(const std::string& existing, const std::string& target);

}  // namespace tivka
