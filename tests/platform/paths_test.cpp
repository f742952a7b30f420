#include "platform/paths.h"
#include "platform/numeric_locale.h"

#include <clocale>
#include <filesystem>
#include <locale.h>
#include <optional>

#include <gtest/gtest.h>

#include "support/scoped_environment.h"

namespace tivka {
namespace {

TEST(PathsTest, SettingsFileAndNativePaths)
{
    const std::pair<const char*, const char*> cases[] = {
        {"build/bin/tivka", "build/bin/tivka.INI"}, {"/opt/tools/orderbook.exe", "/opt/tools/orderbook.INI"},
        {"/opt/v1.2/tivka", "/opt/v1.2/tivka.INI"}, {"/opt/tivka.bin.old", "/opt/tivka.bin.INI"},
    };
    for (const auto& [program, settings] : cases)
        EXPECT_EQ(SettingsPathFor(program), settings) << program;
    EXPECT_EQ(SettingsPathFor(ProgramPath()), std::filesystem::canonical("/proc/self/exe").string() + ".INI");
    EXPECT_EQ(NativePath("/opt/mt4\\experts\\files\\Tivka\\"), "/opt/mt4/experts/files/Tivka/");
}

// A relative XDG_DATA_HOME is ignored, as the XDG rules say.
TEST(PathsTest, DataFolderTakesOnlyAnAbsoluteVariable)
{
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {"/srv/data", "/srv/data"}, {"relative/data", "/home/trader/.local/share"},
        {"", "/home/trader/.local/share"}, {std::nullopt, "/home/trader/.local/share"},
    };
    for (const auto& [variable, expected] : cases) {
        test::ScopedEnvironment environment;
        environment.set("HOME", "/home/trader");
        environment.set("XDG_DATA_HOME", variable);
        EXPECT_EQ(DataFolder(), expected) << variable.value_or("(unset)");
    }
}

// The separator comes from the environment's locale without touching the
// process's own; an unknown or missing locale gives ".".
TEST(PathsTest, DecimalSeparatorFollowsTheEnvironment)
{
    locale_t russian = newlocale(LC_NUMERIC_MASK, "ru_RU.UTF-8", static_cast<locale_t>(0));
    if (russian)
        freelocale(russian);
    const std::pair<std::optional<std::string>, const char*> cases[] = {
        {"C", "."}, {std::nullopt, "."}, {"xx_NOWHERE.UTF-8", "."}, {"ru_RU.UTF-8", russian ? "," : "."},
    };
    for (const auto& [locale, separator] : cases) {
        test::ScopedEnvironment environment;
        environment.set("LC_NUMERIC", std::nullopt);
        environment.set("LANG", std::nullopt);
        environment.set("LC_ALL", locale);
        EXPECT_EQ(SystemDecimalSeparator(), separator) << locale.value_or("(unset)");
        EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    }
}

}  // namespace
}  // namespace tivka
