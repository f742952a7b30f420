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
// process's own; an unknown locale gives ".".
TEST(PathsTest, DecimalSeparatorFollowsTheEnvironment)
{
    for (const char* locale : {"xx_NOWHERE.UTF-8", "ru_RU.UTF-8"}) {
        test::ScopedEnvironment environment;
        environment.set("LC_ALL", locale);
        locale_t installed = newlocale(LC_NUMERIC_MASK, locale, static_cast<locale_t>(0));
        EXPECT_EQ(SystemDecimalSeparator(), installed ? "," : ".") << locale;
        EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
        if (installed)
            freelocale(installed);
    }
}

}  // namespace
}  // namespace tivka
