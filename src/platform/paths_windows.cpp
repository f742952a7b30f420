// The Windows implementation of the path functions. Paths keep the system's
// "\" separators; "/" is accepted wherever a path is taken apart.
#include "platform/paths.h"

#include <shlobj.h>

#include "platform/files.h"
#include "platform/windows_text.h"

namespace tivka {

namespace {

using windows::IsSeparator;
using windows::Narrow;
using windows::Wide;

// Where the last component of `path` starts.
std::size_t nameStart(const std::string& path)
{
    const std::size_t separator = path.find_last_of("\\/");
    if (separator != std::string::npos)
        return separator + 1;
    return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

std::string environmentValue(const wchar_t* name)
{
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    const DWORD got = ::GetEnvironmentVariableW(name, value.data(), size);
    value.resize(got < size ? got : 0);
    return Narrow(value);
}

std::string knownFolder(REFKNOWNFOLDERID id)
{
    wchar_t* path = nullptr;
    std::string folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path)) && path)
        folder = Narrow(path);
    ::CoTaskMemFree(path);
    return folder;
}

}  // namespace

std::string NativePath(std::string_view text)
{
    return std::string(text);  // the settings' "\" is this system's own separator
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    return folder.empty() || IsSeparator(folder.back()) ? folder + name : folder + "\\" + name;
}

std::string ParentFolder(const std::string& path)
{
    const std::size_t start = nameStart(path);
    if (start == 0)
        return {};
    // "C:\x" gives "C:\" and "C:x" gives "C:": the drive's root or its
    // current folder, not the bare drive letter's "C".
    const bool root = start == 1 || (start <= 3 && path[1] == ':');
    return path.substr(0, root ? start : start - 1);
}

std::string FileNameOf(const std::string& path)
{
    return path.substr(nameStart(path));
}

std::string AbsolutePath(const std::string& path)
{
    const std::wstring wide = Wide(path);
    const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return path;
    std::wstring absolute(size, L'\0');
    const DWORD got = ::GetFullPathNameW(wide.c_str(), size, absolute.data(), nullptr);
    if (got == 0 || got >= size)
        return path;
    absolute.resize(got);
    return Narrow(absolute);
}

Result<std::string> ProgramPath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD got = ::GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (got == 0)
            return Status(Status::Code::IoError, "the program's path", windows::ErrorText(::GetLastError()));
        if (got < path.size()) {
            path.resize(got);
            return Narrow(path);
        }
        path.resize(path.size() * 2);  // cut short: a longer buffer
    }
}

std::string SettingsPathFor(const std::string& programPath)
{
    // Only the last component's extension counts ("a.b\tivka" gives
    // "a.b\tivka.INI"), and a name's leading dot starts none.
    const std::size_t start = nameStart(programPath);
    const std::size_t dot = programPath.rfind('.');
    const bool extension = dot != std::string::npos && dot > start;
    return (extension ? programPath.substr(0, dot) : programPath) + ".INI";
}

std::string CurrentFolder()
{
    const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(size, L'\0');
    const DWORD got = size ? ::GetCurrentDirectoryW(size, folder.data()) : 0;
    if (got == 0 || got >= size)
        return ".";
    folder.resize(got);
    return Narrow(folder);
}

std::string HomeFolder()
{
    if (std::string home = environmentValue(L"USERPROFILE"); !home.empty())
        return home;
    if (std::string home = knownFolder(FOLDERID_Profile); !home.empty())
        return home;
    return ".";
}

std::string DocumentsFolder()
{
    if (std::string documents = knownFolder(FOLDERID_Documents); IsFolder(documents))
        return documents;
    return HomeFolder();
}

std::string DataFolder()
{
    if (std::string data = environmentValue(L"LOCALAPPDATA"); !data.empty())
        return data;
    if (std::string data = knownFolder(FOLDERID_LocalAppData); !data.empty())
        return data;
    return JoinPath(HomeFolder(), "AppData\\Local");
}

std::string ProgramDataFolder()
{
    return JoinPath(DataFolder(), "Tivka");
}

}  // namespace tivka
