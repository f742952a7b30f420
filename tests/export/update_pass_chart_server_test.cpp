// The update pass against the synthetic chart server, as the demo runs it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "acquisition/pair_naming.h"
#include "chart_server/chart_server.h"
#include "export/update_pass.h"
#include "support/recorded_messages.h"
#include "support/test_support.h"

namespace tivka {
namespace {

namespace fs = std::filesystem;

struct ServedPass {
    explicit ServedPass(charts::ChartServerOptions options) : cwd(temp.path()), server(std::move(options))
    {
        server.start();
        config.chartUrl = "http://127.0.0.1:" + std::to_string(server.port()) + std::string(charts::kChartFolder);
        config.mt4Dirs = {"terminal\\experts\\files\\Tivka\\", "", ""};
        config.mt4Dirs[1] = config.mt4Dirs[2] = "absent\\";
        fs::create_directories(folder());
    }
    fs::path folder() const { return temp.path() / "terminal/experts/files/Tivka"; }
    void request(const std::string& code) { test::writeFile(folder() / ("ir" + code + ".dat"), ""); }
    void run()
    {
        SaveData(config, DigitTemplate(charts::DigitTemplateBitmap()), state, downloader, messages);
    }

    test::TempDir temp;
    test::ScopedCurrentDir cwd;
    charts::ChartServer server;
    UpdatePassConfig config;
    IndicatorState state;
    CurlDownloader downloader;
    test::RecordedMessages messages;
};

TEST(UpdatePassWithChartServer, ServesAllTenPairs)
{
    charts::ChartServerOptions options;
    options.fixedTime = "09:15";
    ServedPass pass(options);
    for (const char* pair : kPairList)
        pass.request(PairCode(pair));
    pass.run();
    EXPECT_TRUE(pass.messages.shown.empty());
    const std::regex fourDecimals(R"(\d+\.\d{4};\d+;\d+)");
    const std::regex twoDecimals(R"(\d+\.\d{2};\d+;\d+)");
    for (const char* pair : kPairList) {
        const std::string code = PairCode(pair);
        EXPECT_EQ(test::readFile(pass.folder() / ("ir" + code + ".dat")), "2") << code;
        const std::string text = test::readFile(pass.folder() / (code + ".csv"));
        std::vector<std::string> lines;
        for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(text.substr(start, end - start));
        ASSERT_EQ(lines.size(), 720u) << code;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 720) << code << ": no bare line feeds";
        EXPECT_EQ(lines[0], "09:15") << code;
        EXPECT_EQ(lines[2], "Orders") << code;
        EXPECT_EQ(lines[361], "Position") << code;
        const std::regex& row = code.ends_with("JPY") ? twoDecimals : fourDecimals;
        for (std::size_t i : {std::size_t(3), std::size_t(200), std::size_t(400), std::size_t(719)})
            EXPECT_TRUE(std::regex_match(lines[i], row)) << code << " line " << i + 1 << ": " << lines[i];
    }
    for (const auto& entry : fs::directory_iterator(pass.temp.path()))
        EXPECT_EQ(entry.path().filename(), "terminal") << "a temporary chart file was left behind";
}

TEST(UpdatePassWithChartServer, AnErrorPageEndsThePassNamingTheFile)
{
    charts::ChartServerOptions options;
    options.notFoundPair = "EUR_USD";
    ServedPass pass(options);
    pass.request("EURUSD");
    try {
        pass.run();
        FAIL() << "an error page must not pass for a chart";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("EURUSD.png"), std::string::npos) << error.what();
    }
    EXPECT_EQ(test::readFile(pass.folder() / "irEURUSD.dat"), "");
    EXPECT_TRUE(fs::exists("MToEURUSD.png"));
}

}  // namespace
}  // namespace tivka
