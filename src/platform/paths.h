#pragma once

#include <string>
#include <string_view>

#include "platform/status.h"

namespace tivka {

// Maps a folder or file text written with Windows separators (the settings
// keep "experts\files\Tivka\") to a path of this file system: on Linux every
// "\" becomes "/". Every file operation on such texts goes through it.
std::string NativePath(std::string_view text);

// `path` made absolute against the current folder when it is relative; links
// and ".." are left as they are ("experts/files/Tivka/" run in /home/u/tivka
// gives "/home/u/tivka/experts/files/Tivka/").
std::string AbsolutePath(const std::string& path);

// `name` in `folder` with the system's separator between them ("" gives
// `name` alone).
std::string JoinPath(const std::string& folder, const std::string& name);

// The folder part of `path` ("/a/b/c" gives "/a/b", "/c" gives "/"); empty
// when the path names no folder.
std::string ParentFolder(const std::string& path);

// The last component of `path` ("/a/b/c.png" gives "c.png").
std::string FileNameOf(const std::string& path);

// The running program's real path.
Result<std::string> ProgramPath();

// The settings file of a program: its path with the extension replaced by
// ".INI" (build/bin/tivka gives build/bin/tivka.INI).
std::string SettingsPathFor(const std::string& programPath);

// The folders below never fail: each falls back as it says.

// The process's current folder, absolute; "." when it cannot be had (the
// folder was deleted).
std::string CurrentFolder();

// The user's home folder: $HOME, else the account's home, else ".".
std::string HomeFolder();

// The user's documents folder: $XDG_DOCUMENTS_DIR, else XDG_DOCUMENTS_DIR of
// user-dirs.dirs (in $XDG_CONFIG_HOME or ~/.config), whichever is set first,
// used only if the folder exists; otherwise the home folder.
std::string DocumentsFolder();

// The user's data folder: $XDG_DATA_HOME when it is an absolute path (a
// relative one is ignored, as the XDG rules say), else ~/.local/share. The
// folder need not exist. On Windows: %LOCALAPPDATA%.
std::string DataFolder();

// Where Tivka keeps data of its own (the history): "tivka" in the data
// folder; on Windows %LOCALAPPDATA%\Tivka.
std::string ProgramDataFolder();

}  // namespace tivka
