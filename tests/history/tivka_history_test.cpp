// tivka-history as a user runs it: saved charts imported, listed, exported
// byte for byte as the exporter writes them, pruned; bad input refused with
// the right exit status and nothing changed.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include "chart/bmp_codec.h"
#include "chart/png_codec.h"
#include "history/history_export.h"
#include "history/iso_time.h"
#include "history/history_store.h"
#include "history/drift_series.h"
#include "support/test_support.h"

namespace tivka {
namespace {

struct ToolResult {
    int status;
    std::string out;
    std::string err;
};

constexpr std::int64_t kMinute0 = 29'000'000;  // 2025-02-19T21:20:00Z

class TivkaHistory : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteBmpFile(charts::DigitTemplateBitmap(), (dir / "ndata.bmp").string());
        for (int i = 0; i < 3; ++i)
            saveChart("orders_GBP_USD", kMinute0 + 20 * i);
        saveChart("posentryprice_noncumulative_GBP_USD", kMinute0);
    }

    void saveChart(const std::string& name, std::int64_t minute)
    {
        const charts::ChartFile file{name[0] == 'o' ? charts::ChartKind::Orders : charts::ChartKind::Positions,
                                     name[0] == 'o', "GBP_USD"};
        const std::string saved = std::to_string(minute) + "/" + name + ".png";
        std::filesystem::create_directories(dir / std::to_string(minute));
        EncodePngFile(charts::DriftingChartPicture(file, 5, minute), (dir / saved).string());
        files.push_back({saved, minute});
    }

    ToolResult run(const std::string& args)
    {
        const std::string command = "cd '" + dir.path().string() + "' && LC_ALL=C XDG_DATA_HOME='" +
                                    dir.path().string() + "/data' '" + TIVKA_HISTORY + "' " + args + " 2> err.txt";
        FILE* pipe = popen(command.c_str(), "r");
        std::string out;
        char buffer[65536];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        const int status = pclose(pipe);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, test::readFile(dir / "err.txt")};
    }

    // Imports each saved chart as fetched at its own minute.
    void importAll()
    {
        for (const auto& [name, minute] : files) {
            const std::string kind = name.find("/o") != std::string::npos ? "orders" : "positions";
            const ToolResult r = run("import --pair GBP/USD --kind " + kind + (kind == "orders" ? " --cumulative" : " --non-cumulative") +
                                     " --fetched " + IsoUtcText(minute * 60) + " " + name);
            ASSERT_EQ(r.status, 0) << r.err;
        }
    }

    test::TempDir dir;
    std::vector<std::pair<std::string, std::int64_t>> files;
};

TEST_F(TivkaHistory, ImportsListsExportsAndPrunes)
{
    ToolResult r = run("import --fetched 2025-02-19T21:20 " + files[0].first + " " + files[3].first);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "kept 2 readings, 0 already held\n");
    importAll();
    EXPECT_EQ(run("list").out,
              "GBP/USD orders cumulative 3 readings 2025-02-19T21:20:00Z .. 2025-02-19T22:00:00Z\n"
              "GBP/USD positions non-cumulative 1 readings 2025-02-19T21:20:00Z .. 2025-02-19T21:20:00Z\n");

    // The export is exactly the exporter's text of the readings the readers make.
    std::string expected;
    HistoryExporter exporter(ExportFormat::Csv, [&](std::string_view piece) { expected += piece; });
    for (const std::int64_t minute : {kMinute0 + 20, kMinute0 + 40})
        exporter.add(test::DriftReading("GBP/USD", ChartKind::Orders, true, minute));
    exporter.finish();
    const std::string range = " --from 2025-02-19T21:40:00Z --to 2025-02-19T22:00";
    EXPECT_TRUE(run("export --pair GBPUSD --kind orders" + range).out == expected);
    EXPECT_EQ(run("export --pair GBP/USD --format json").out.substr(0, 200).find("[\n{\"fetched_at\":"), 0u);

    r = run("prune --older-than 1");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 19), "deleted 4 readings ");
    EXPECT_EQ(run("list").out, "");
}

TEST_F(TivkaHistory, RefusesBadInputAndKeepsTheHistoryAsItWas)
{
    importAll();
    test::writeFile(dir / "orders_EUR_USD.png", "<html>not a chart</html>");
    const std::string database = test::readFile(dir / "data" / "tivka" / "history.sqlite3");
    const struct {
        std::string args;
        int status;
        std::string message;
    } cases[] = {
        {"", 2, "tivka-history: no command given"},
        {"show", 2, "tivka-history: unknown command 'show'"},
        {"export", 2, "tivka-history: export needs --pair"},
        {"export --pair GBP/USD --format xml", 2, "tivka-history: --format is csv or json, not 'xml'"},
        {"export --pair XAU/USD", 1, "tivka-history: --pair: 'XAU/USD' is not one of the pairs"},
        {"export --pair GBP/USD --from 2025-02-30", 1, "tivka-history: --from: '2025-02-30' is not a UTC time"},
        {"prune --older-than 0", 1, "tivka-history: --older-than needs a whole number of days"},
        {"prune --older-than", 2, "tivka-history: --older-than needs a value"},
        {"import " + files[0].first + " orders_EUR_USD.png", 2, "tivka-history: orders_EUR_USD.png: not a PNG"},
        {"import chart.png", 2, "tivka-history: chart.png: the name does not tell the pair"},
        {"import --template missing.bmp " + files[0].first, 2, "tivka-history: missing.bmp"},
        {"--database " + (dir / "none.sqlite3").string() + " list", 2,
         "tivka-history: " + (dir / "none.sqlite3").string() + ": no history has been kept there yet"},
    };
    for (const auto& c : cases) {
        const ToolResult r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << ": " << r.err;
        EXPECT_EQ(r.err.substr(0, c.message.size()), c.message) << c.args;
    }
    EXPECT_EQ(test::readFile(dir / "data" / "tivka" / "history.sqlite3"), database);
    EXPECT_EQ(run("list").out.substr(0, 34), "GBP/USD orders cumulative 3 readin");
}

}  // namespace
}  // namespace tivka
