// The Windows implementation of the folder listing: the names come as UTF-16
// from the system and leave as UTF-8.
#include "platform/folder_listing.h"

#include <algorithm>

#include "platform/windows_text.h"

namespace tivka {

namespace {

// Whether a link found in the folder leads to a regular file.
bool linkLeadsToFile(const std::wstring& path)
{
    const HANDLE handle = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool file = ::GetFileInformationByHandle(handle, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    ::CloseHandle(handle);
    return file;
}

}  // namespace

Result<std::vector<std::string>> FileNamesIn(const std::string& folder)
{
    std::wstring base = windows::Wide(folder);
    if (!base.empty() && base.back() != L'\\' && base.back() != L'/')
        base += L'\\';
    WIN32_FIND_DATAW entry{};
    const HANDLE search = ::FindFirstFileExW((base + L"*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                             nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                             error == ERROR_INVALID_NAME || error == ERROR_DIRECTORY;
        return Status(missing ? Status::Code::NotFound : Status::Code::IoError, folder, windows::ErrorText(error));
    }
    std::vector<std::string> names;
    do {
        const DWORD attributes = entry.dwFileAttributes;
        const bool file = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? linkLeadsToFile(base + entry.cFileName)
                                                                       : !(attributes & FILE_ATTRIBUTE_DIRECTORY);
        if (file)
            names.push_back(windows::Narrow(entry.cFileName));
    } while (::FindNextFileW(search, &entry));
    const DWORD error = ::GetLastError();
    ::FindClose(search);
    if (error != ERROR_NO_MORE_FILES)
        return Status(Status::Code::IoError, folder, windows::ErrorText(error));
    std::sort(names.begin(), names.end());
    return names;
}

bool SameFileName(const std::string& a, const std::string& b)
{
    const std::wstring wideA = windows::Wide(a), wideB = windows::Wide(b);
    return ::CompareStringOrdinal(wideA.c_str(), int(wideA.size()), wideB.c_str(), int(wideB.size()), TRUE) ==
           CSTR_EQUAL;
}

}  // namespace tivka
