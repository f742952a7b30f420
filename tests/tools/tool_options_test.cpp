// The command line every tool shares: --help and -h answer with the usage on
// standard output, a command line that cannot be understood ends with 2 (1 for
// the feed, whose 2 means pairs not served), the message and the same usage on
// standard error.
#include <gtest/gtest.h>

#include "tools/tool_run.h"

namespace tivka {
namespace {

struct Tool {
    const char* name;
    const char* program;
    int usageStatus;
};

const Tool kTools[] = {{"tivka-read", TIVKA_READ, 2},
                       {"tivka-template", TIVKA_TEMPLATE, 2},
                       {"tivka-history", TIVKA_HISTORY, 2},
                       {"tivka-chart-server", TIVKA_CHART_SERVER, 2},
                       {"tivka-soak", TIVKA_SOAK, 2},
                       {"tivka-feed", TIVKA_FEED, 1}};

TEST(ToolCommandLine, HelpPrintsTheUsageThatUsageErrorsPrint)
{
    test::TempDir dir;
    for (const Tool& tool : kTools) {
        const auto help = test::RunTool(dir.path(), tool.program, "--help");
        EXPECT_EQ(help.status, 0) << tool.name << ": " << help.err;
        EXPECT_EQ(help.err, "") << tool.name;
        EXPECT_EQ(help.out.rfind(std::string("Usage: ") + tool.name + " ", 0), 0u) << help.out;
        EXPECT_NE(help.out.find("-h, --help"), std::string::npos) << tool.name;
        const auto shortHelp = test::RunTool(dir.path(), tool.program, "-h");
        EXPECT_EQ(shortHelp.status, 0) << tool.name;
        EXPECT_EQ(shortHelp.out, help.out) << tool.name;

        const auto unknown = test::RunTool(dir.path(), tool.program, "--bogus");
        EXPECT_EQ(unknown.status, tool.usageStatus) << tool.name;
        EXPECT_EQ(unknown.out, "") << tool.name;
        EXPECT_EQ(unknown.err, std::string(tool.name) + ": unknown option --bogus\n\n" + help.out);
    }
}

// A value missing or out of its range, and --help after other options or a
// command; none of these may start the tool's work (the soak would run a day,
// the feed serve until stopped).
TEST(ToolCommandLine, EachToolRefusesWhatItCannotUseAndHelpsAnywhere)
{
    test::TempDir dir;
    const struct { const char* program; std::string args; int status; std::string err; } cases[] = {
        {TIVKA_READ, "--strict o.png -h p.png", 0, ""},
        {TIVKA_READ, "--format xml --help", 2, "tivka-read: --format expects orders, positions, both, json or csv"},
        {TIVKA_TEMPLATE, "build --out", 2, "tivka-template: --out needs a value\n"},
        {TIVKA_TEMPLATE, "show a.bmp b.bmp", 2, "tivka-template: show needs exactly one template file\n"},
        {TIVKA_HISTORY, "list extra", 2, "tivka-history: unexpected argument 'extra'\n"},
        {TIVKA_HISTORY, "export --pair GBP/USD --help", 0, ""},
        {TIVKA_CHART_SERVER, "--port 65536", 2, "tivka-chart-server: --port needs a whole number from 0 to 65535"},
        {TIVKA_CHART_SERVER, "--fixed-time 24:00", 2, "tivka-chart-server: --fixed-time needs a time HH:MM"},
        {TIVKA_SOAK, "--hours 0", 2, "tivka-soak: --hours needs a whole number from 1 to 8760, not '0'\n"},
        {TIVKA_SOAK, "--hours 24 -h", 0, ""},
        {TIVKA_FEED, "--once --every", 1, "tivka-feed: --every needs a value\n"},
    };
    for (const auto& c : cases) {
        const auto r = test::RunTool(dir.path(), c.program, c.args);
        EXPECT_EQ(r.status, c.status) << c.program << " " << c.args << ": " << r.err;
        EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << c.program << " " << c.args;
        EXPECT_EQ(r.out.starts_with("Usage: "), c.status == 0) << c.program << " " << c.args;
        if (c.status != 0) {
            EXPECT_NE(r.err.find("\n\nUsage: "), std::string::npos) << c.program << " " << c.args;
        }
    }
}

}  // namespace
}  // namespace tivka
