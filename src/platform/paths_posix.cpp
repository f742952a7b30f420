// The POSIX implementation of the path functions.
#include "platform/paths.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <unistd.h>

#include "platform/files.h"

namespace tivka {

namespace fs = std::filesystem;

namespace {

// XDG_DOCUMENTS_DIR="$HOME/Documents" from user-dirs.dirs, $HOME expanded.
std::string documentsFromUserDirs(const std::string& home)
{
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    fs::path config = configHome && *configHome ? fs::path(configHome) : fs::path(home) / ".config";
    std::ifstream in(config / "user-dirs.dirs");
    const std::string key = "XDG_DOCUMENTS_DIR=";
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(key, 0) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0)
            value = home + value.substr(5);
        return value;
    }
    return {};
}

}  // namespace

std::string NativePath(std::string_view text)
{
    std::string path(text);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string ParentFolder(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

std::string FileNameOf(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

std::string AbsolutePath(const std::string& path)
{
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    return error ? path : absolute.string();
}

Result<std::string> ProgramPath()
{
    std::error_code error;
    fs::path path = fs::canonical("/proc/self/exe", error);
    if (error)
        return Status(Status::Code::IoError, "/proc/self/exe", error.message());
    return path.string();
}

std::string SettingsPathFor(const std::string& programPath)
{
    // Only the last component's extension counts: "a.b/tivka" gives "a.b/tivka.INI".
    return fs::path(programPath).replace_extension(".INI").string();
}

std::string CurrentFolder()
{
    std::error_code error;
    const fs::path folder = fs::current_path(error);
    return error ? std::string(".") : folder.string();
}

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return ".";
}

std::string DocumentsFolder()
{
    const std::string home = HomeFolder();
    if (const char* documents = std::getenv("XDG_DOCUMENTS_DIR"); documents && IsFolder(documents))
        return documents;
    if (std::string documents = documentsFromUserDirs(home); IsFolder(documents))
        return documents;
    return home;
}

std::string DataFolder()
{
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/')
        return data;
    return HomeFolder() + "/.local/share";
}

std::string ProgramDataFolder()
{
    return DataFolder() + "/tivka";
}

}  // namespace tivka
