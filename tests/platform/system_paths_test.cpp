#include "platform/system_paths.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <locale.h>
#include <optional>

#include <gtest/gtest.h>

namespace tivka {
namespace {

TEST(SystemPathsTest, NativePathTurnsEveryBackslash)
{
    EXPECT_EQ(NativePath("experts\\files\\Tivka\\"), "experts/files/Tivka/");
    EXPECT_EQ(NativePath("/opt/mt4\\experts\\files\\Tivka\\GBPUSD.csv"), "/opt/mt4/experts/files/Tivka/GBPUSD.csv");
    EXPECT_EQ(NativePath("plain/path"), "plain/path");
    EXPECT_EQ(NativePath(""), "");
}

TEST(SystemPathsTest, SettingsFileReplacesTheLastExtension)
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

TEST(SystemPathsTest, ProgramPathIsThisTestProgram)
{
    std::filesystem::path path = ProgramPath();
    EXPECT_TRUE(path.is_absolute());
    EXPECT_EQ(path.filename(), "platform_tests");
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
}

// Sets the locale variables for its lifetime, restoring the old values.
class ScopedLocaleEnvironment {
public:
    explicit ScopedLocaleEnvironment(const char* lcAll)
    {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
        if (lcAll)
            setenv("LC_ALL", lcAll, 1);
    }
    ~ScopedLocaleEnvironment()
    {
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name, value->c_str(), 1);
            else
                unsetenv(name);
        }
    }

private:
    static constexpr const char* kNames[] = {"LC_ALL", "LC_NUMERIC", "LANG"};
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

bool localeInstalled(const char* name)
{
    locale_t locale = newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0))
        return false;
    freelocale(locale);
    return true;
}

TEST(SystemPathsTest, DecimalSeparatorFollowsTheEnvironment)
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
