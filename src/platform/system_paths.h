#pragma once

#include <string>
#include <string_view>

namespace tivka {

// Maps a folder or file text written with Windows separators (the settings
// keep "experts\files\Tivka\") to a path of this file system: on Linux every
// "\" becomes "/". Every file operation on such texts goes through it.
std::string NativePath(std::string_view text);

// The running program's real path (/proc/self/exe).
std::string ProgramPath();

// The settings file of a program: its path with the extension replaced by
// ".INI" (build/bin/tivka gives build/bin/tivka.INI).
std::string SettingsPathFor(const std::string& programPath);

// The user's decimal separator as the C library resolves the locale from the
// environment (LC_ALL, LC_NUMERIC, LANG); "." when none is set. Does not
// depend on the process's current setlocale state.
std::string SystemDecimalSeparator();

}  // namespace tivka
