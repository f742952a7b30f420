// Feeds arbitrary bytes as the settings file: reading must never crash, and
// the values written back must read back unchanged whatever surrounds them.
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

#include "temp_folder.h"
#include "platform/ini_text.h"
#include "shell/settings.h"

namespace {

const std::string& settingsPath()
{
    static const std::string path = tivka::fuzz::tempFolder().file("tivka.INI");
    return path;
}

void writeSettingsFile(std::string_view bytes)
{
    std::ofstream out(settingsPath(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    writeSettingsFile(bytes);
    const tivka::Settings settings = tivka::LoadSettings(settingsPath(), ",");
    check(settings.chartUrl.size() <= 2047);
    check(settings.decimalSymbol.size() <= 2047);

    // The edit that a shut-down makes, without the flush to disk that makes
    // real writes too slow to fuzz: all entries in one pass, which must give
    // the bytes of storing them one after another.
    const tivka::IniEntries entries{{"Time1", "12"}, {"TimerEn2", "1"}, {"TIVKA_URL", "http://x/"}};
    const std::string edited = tivka::WithIniValues(bytes, "Setting", entries);
    std::string oneByOne = bytes;
    for (const auto& [key, value] : entries)
        oneByOne = tivka::WithIniValue(oneByOne, "Setting", key, value);
    check(edited == oneByOne);
    writeSettingsFile(edited);
    const tivka::Settings again = tivka::LoadSettings(settingsPath(), ",");
    check(again.timers.periodMinutes == 12 && again.timers.hourlyMinute == settings.timers.hourlyMinute &&
          again.timers.periodicEnabled == settings.timers.periodicEnabled && again.timers.hourlyEnabled &&
          again.chartUrl == "http://x/" && again.indicatorFolders == settings.indicatorFolders &&
          again.decimalSymbol == settings.decimalSymbol);
    return 0;
}
