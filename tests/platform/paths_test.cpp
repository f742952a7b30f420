#include "platform/paths.h"
#include "platform/numeric_locale.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <locale.h>
#include <optional>

#include <gtest/gtest.h>

#include "support/scoped_environment.h"

namespace tivka {
namespace {

TEST(PathsTest, NativePathTurnsEveryBackslash)
{
    EXPECT_EQ(NativePath("experts\\files\\Tivka\\"), "experts/files/Tivka/");
    EXPECT_EQ(NativePath("/opt/mt4\\experts\\files\\Tivka\\GBPUSD.csv"), "/opt/mt4/experts/files/Tivka/GBPUSD.csv");
    EXPECT_EQ(NativePath("plain/path"), "plain/path");
    EXPECT_EQ(NativePath(""), "");
}

TEST(PathsTest, SettingsFileReplacesTheLastExtension)
{
    const std::pair<const char*, const char*> cases[] = {
        {"build/bin/tivka", "build/bin/tivka.INI"},
        {"/opt/tools/orderbook.exe", "/opt/tools/orderbook.INI"},
        {"/opt/v1.2/tivka", "/opt/v1.2/tivka.INI"},
        {"/opt/tivka.bin.old", "/opt/tivka.bin.INI"},
        {"tivka", "tivka.INI"},
    };
    for (const auto& [program, settings] : cases)
        EXPECT_EQ(SettingsPathFor(program), settings) << program;
}

TEST(PathsTest, ProgramPathIsThisTestProgram)
{
    std::filesystem::path path = ProgramPath();
    EXPECT_TRUE(path.is_absolute());
    EXPECT_EQ(path.filename(), "platform_tests");
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
}

// Only `lcAll` (or nothing) names the locale for the test's lifetime.
struct ScopedLocaleEnvironment : test::ScopedEnvironment {
    explicit ScopedLocaleEnvironment(const char* lcAll)
    {
        set("LC_NUMERIC", std::nullopt);
        set("LANG", std::nullopt);
        set("LC_ALL", lcAll ? std::optional<std::string>(lcAll) : std::nullopt);
    }
};

bool localeInstalled(const char* name)
{
    locale_t locale = newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0))
        return false;
    freelocale(locale);
    return true;
}

TEST(PathsTest, DecimalSeparatorFollowsTheEnvironment)
{
    {
        ScopedLocaleEnvironment environment("C");
        EXPECT_EQ(SystemDecimalSeparator(), ".");
    }
    {
        ScopedLocaleEnvironment environment(nullptr);
        EXPECT_EQ(SystemDecimalSeparator(), ".");
    }
    {
        ScopedLocaleEnvironment environment("xx_NOWHERE.UTF-8");
        EXPECT_EQ(SystemDecimalSeparator(), ".");
    }
    if (!localeInstalled("ru_RU.UTF-8"))
        GTEST_SKIP() << "locale ru_RU.UTF-8 is not generated on this machine";
    ScopedLocaleEnvironment environment("ru_RU.UTF-8");
    EXPECT_EQ(std::string(std::setlocale(LC_NUMERIC, nullptr)), "C") << "the process locale is not touched";
    EXPECT_EQ(SystemDecimalSeparator(), ",");
}

}  // namespace
}  // namespace tivka
