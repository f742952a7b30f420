#pragma once

#include <string>
#include <string_view>

namespace tivka {

// Writes all of `bytes` to `fd`, retrying short and interrupted writes.
bool WriteAllBytes(int fd, std::string_view bytes);

enum class ReadOutcome { Read, Missing, Failed };

// Reads the whole content of a regular file into `content`. Missing: nothing
// at `path`. Failed: something is there but cannot be read as a file (a
// folder, no permission, an I/O error), so that a caller about to rewrite it
// never mistakes it for an empty file.
ReadOutcome ReadWholeFile(const std::string& path, std::string& content);

// Replaces the file at `path` (through a symbolic link, its target) with
// `bytes` so that it is either the old file or the complete new one, never
// anything between: the bytes go to a new file in the same folder, are
// flushed to disk, and the new file is renamed over the old. The old file's
// permission bits (and, where allowed, owner) carry over; a new file gets
// 0666 less the umask. Returns false, with the old file untouched and no
// stray file left, when any step fails.
bool ReplaceFileContents(const std::string& path, std::string_view bytes);

}  // namespace tivka
