#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "platform/status.h"

namespace tivka {

// Every file the program touches goes through these functions. Paths are
// UTF-8 text; files are always opened in binary mode, so bytes go to disk
// exactly as given.
//
// Every operation that can fail returns a Status or a Result whose subject()
// is the path concerned and whose detail() says why, in the system's words
// where the system gave a reason. The codes that callers tell apart:
// NotFound (nothing at the path), NotAFile (something is there that is not a
// regular file: a folder, a pipe, a device, a socket, or a symbolic link
// where none is followed; detail() then says which, "is a pipe, not a regular
// file"), Exists, Busy; IoError for everything else the system refused.
//
// Nothing here ever waits on a pipe or a device: a path is opened without
// blocking and refused unless it is a regular file before a byte is read or
// written, so a FIFO left where a file is expected never holds the program.

// The whole content of the regular file at `path` (a symbolic link is
// followed). NotFound when nothing is there; NotAFile or IoError when
// something is there but cannot be read as a file, so that a caller about to
// rewrite it never mistakes it for an empty one.
Result<std::string> ReadWholeFile(const std::string& path);

// Replaces the file at `path` (through a symbolic link, its target) with
// `bytes` so that it is either the old file or the complete new one, never
// anything between: the bytes go to a new file in the same folder, are
// flushed to disk, and the new file is renamed over the old. The old file's
// permission bits (and, where allowed, owner) carry over; a new file gets
// 0666 less the umask. A file its owner made read-only is refused like any
// other unwritable file, although the folder would allow the rename. On
// failure the old file is untouched and no stray file is left.
Status ReplaceFileAtomically(const std::string& path, std::string_view bytes);

// Creates `path` or rewrites it in place to hold exactly `bytes`; ok only
// when every byte was written, the old tail cut off and the file closed
// cleanly. Writing over the old content and cutting the rest afterwards,
// rather than truncating first, spares the file system the flush it forces
// on a file emptied and refilled.
// Meant for files in folders other programs own (the MetaTrader terminals'):
// only a regular file in the folder itself is written. A symbolic link is
// never followed, not even to create its missing target, and nothing that
// is not a regular file is touched: both give NotAFile.
Status RewriteFile(const std::string& path, std::string_view bytes);

// Rewrites an existing regular file in place, as RewriteFile does, but never
// creates one: NotFound when nothing is at `path`.
Status RewriteExistingFile(const std::string& path, std::string_view bytes);

// Deletes a file; ok when nothing is left at `path`.
Status RemoveFile(const std::string& path);

// Creates the folder `path` and any missing folder above it, each with 0700
// (a user's private data); an existing folder is left as it is. The failure
// names the level that could not be made; NotAFile when something that is
// not a folder stands at `path`.
Status CreateFolders(const std::string& path);

// Questions rather than operations: false as well when the answer cannot be
// had (no such path, no permission to look). Symbolic links are followed.
bool IsRegularFile(const std::string& path);
bool IsFolder(const std::string& path);
// Whether anything at all is at `path`, a link (even a dangling one) counting
// as itself.
bool NameTaken(const std::string& path);

// When the file was last modified, in seconds since the epoch (a symbolic
// link is followed).
Result<std::int64_t> FileModifiedAt(const std::string& path);

// The system's text for the error of the last failed call on this thread,
// for a library that reports a failure without its reason.
std::string LastSystemError();

// A file written piece by piece.
class OutputFile {
public:
    // Creates `path`, or empties the regular file there (a symbolic link is
    // followed), for writing. Something there that is not a regular file is
    // refused untouched with NotAFile, at once, even a pipe nobody reads.
    static Result<OutputFile> Create(const std::string& path);
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Writes all of `data`; after a failure every further write and close()
    // gives that first failure again.
    Status write(const void* data, std::size_t size);
    // Closes the file; not ok when anything written was lost.
    Status close();

private:
    // A descriptor on POSIX, a HANDLE on Windows; -1 when closed.
    OutputFile(std::intptr_t handle, std::string path) : handle_(handle), path_(std::move(path)) {}
    std::intptr_t handle_ = -1;
    std::string path_;
    Status failure_;
};

// An advisory lock on a file, held by this process until the object goes
// (the system also drops it when the process ends, however it ends).
class FileLock {
public:
    // The lock on `path` (created if missing), whose file then holds this
    // process's number. Busy when another process holds it (the detail names
    // that process); another failure when the file cannot be opened or
    // locked.
    static Result<FileLock> TryAcquire(const std::string& path);
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    explicit FileLock(std::intptr_t handle) : handle_(handle) {}
    std::intptr_t handle_ = -1;  // as OutputFile's
};

// A new, empty file with a unique name "<prefix>XXXXXX" in `folder`, with the
// permissions a new file gets (0666 less the umask): its path. The failure's
// subject is `folder`.
Result<std::string> CreateUniqueFile(const std::string& folder, const std::string& prefix);

// Gives the file `existing` the additional name `target`, but only if nothing
// has that name: Exists when the name is taken (the check and the naming are
// one step where the file system allows it). The subject is `target`.
Status ClaimFreeName(const std::string& existing, const std::string& target);

}  // namespace tivka
