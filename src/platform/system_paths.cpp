#include "platform/system_paths.h"

#include <algorithm>
#include <filesystem>
#include <langinfo.h>
#include <locale.h>
#include <stdexcept>

namespace tivka {

std::string NativePath(std::string_view text)
{
    std::string path(text);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string ProgramPath()
{
    std::error_code error;
    std::filesystem::path path = std::filesystem::canonical("/proc/self/exe", error);
    if (error)
        throw std::runtime_error("Cannot find the program file: " + error.message());
    return path.string();
}

std::string SettingsPathFor(const std::string& programPath)
{
    // Only the last component's extension counts: "a.b/tivka" gives "a.b/tivka.INI".
    return std::filesystem::path(programPath).replace_extension(".INI").string();
}

std::string SystemDecimalSeparator()
{
    // A locale of its own, built from the environment, so the answer does not
    // depend on whether anyone has called setlocale in this process.
    locale_t locale = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0))
        return ".";
    const char* radix = nl_langinfo_l(RADIXCHAR, locale);
    std::string separator = radix && *radix ? radix : ".";
    freelocale(locale);
    return separator;
}

}  // namespace tivka
