#include "shell/settings.h"

#include "platform/ini_file.h"

namespace tivka {

namespace {

constexpr const char* kSection = "Setting";

// Only these three spellings mean "use the system's separator".
bool meansAuto(const std::string& text)
{
    return text == "auto" || text == "Auto" || text == "AUTO";
}

}  // namespace

void READINI(IniFile& iniFile, Settings& settings, const std::string& systemSeparator)
{
    // The paths get the subfolder appended as they stand: "C:\MT4" gives
    // "C:\MT4experts\files\Tivka\", as the indicators' installations expect.
    settings.Mt4Dir1 = iniFile.ReadString(kSection, "Mt4_Path", "") + kMt4Subfolder;
    settings.Mt4Dir2 = iniFile.ReadString(kSection, "Mt4_Path2", "") + kMt4Subfolder;
    settings.Mt4Dir3 = iniFile.ReadString(kSection, "Mt4_Path3", "") + kMt4Subfolder;
    std::string symbol = iniFile.ReadString(kSection, "Symbol", systemSeparator);
    settings.DecimalSymbol = meansAuto(symbol) ? systemSeparator : symbol;
    settings.Time1 = iniFile.ReadInteger(kSection, "Time1", 0);
    settings.TimerEn1 = iniFile.ReadBool(kSection, "TimerEn1", false);
    settings.Time2 = iniFile.ReadInteger(kSection, "Time2", 33);
    settings.TimerEn2 = iniFile.ReadBool(kSection, "TimerEn2", false);
    settings.ChartURL = iniFile.ReadString(kSection, "TIVKA_URL", kDefaultChartUrl);
}

void SAVEINI(IniFile& iniFile, const Settings& settings)
{
    iniFile.WriteInteger(kSection, "Time1", settings.Time1);
    iniFile.WriteInteger(kSection, "Time2", settings.Time2);
    iniFile.WriteBool(kSection, "TimerEn1", settings.TimerEn1);
    iniFile.WriteBool(kSection, "TimerEn2", settings.TimerEn2);
    iniFile.WriteString(kSection, "TIVKA_URL", settings.ChartURL);
}

}  // namespace tivka
