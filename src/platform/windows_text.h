#pragma once

// Only for the platform's Windows files: the text conversions at the system's
// edge. Inside, every path and message is UTF-8; Windows takes and gives UTF-16.
#include <windows.h>

#include <string>
#include <string_view>

namespace tivka::windows {

inline std::wstring Wide(std::string_view text)
{
    if (text.empty())
        return {};
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(std::size_t(size > 0 ? size : 0), L'\0');
    if (size > 0)
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), size);
    return wide;
}

inline std::string Narrow(std::wstring_view text)
{
    if (text.empty())
        return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(std::size_t(size > 0 ? size : 0), '\0');
    if (size > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), narrow.data(), size, nullptr, nullptr);
    return narrow;
}

// The system's words for an error code, without the trailing line break;
// `module` for codes of a library of its own (WinHTTP's).
inline std::string ErrorText(DWORD error, HMODULE module = nullptr)
{
    wchar_t* buffer = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                        (module ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM);
    DWORD size = ::FormatMessageW(flags, module, error, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                  reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (size == 0)  // no English texts installed: the user's language
        size = ::FormatMessageW(flags, module, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text = size ? Narrow({buffer, size}) : std::string();
    if (buffer)
        ::LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text.empty() ? "system error " + std::to_string(error) : text;
}

inline bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

}  // namespace tivka::windows
