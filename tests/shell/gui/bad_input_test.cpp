// Broken files and odd input met by the window: each gets a message naming
// what went wrong, the window stays usable and no file is damaged.
#include <QComboBox>
#include <QPushButton>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "chart/bmp_codec.h"
#include "chart_server/chart_renderer.h"
#include "window_fixture.h"

namespace tivka::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::StartsWith;

void put16(std::string& out, unsigned v)
{
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}

void put32(std::string& out, unsigned v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A bottom-up BMP of `bits` per pixel (8: palette of the given colours,
// 16: 5-5-5) holding `picture`, whose colours must all be representable.
std::string bmpOf(const Bitmap& picture, int bits, const std::vector<Colour>& palette = {})
{
    const int rowBytes = (picture.width() * bits / 8 + 3) / 4 * 4;
    std::string pixels;
    for (int y = picture.height() - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < picture.width(); ++x) {
            Colour c = picture.pixel(x, y);
            if (bits == 8)
                row += char(std::find(palette.begin(), palette.end(), c) - palette.begin());
            else
                put16(row, ((c >> 19) & 31) << 10 | ((c >> 11) & 31) << 5 | ((c >> 3) & 31));
        }
        row.resize(std::size_t(rowBytes), '\0');
        pixels += row;
    }
    std::string table;
    for (Colour c : palette)
        put32(table, c);  // B, G, R, 0 in file order
    const unsigned offset = unsigned(14 + 40 + table.size());
    std::string file = "BM";
    put32(file, unsigned(offset + pixels.size()));
    put32(file, 0);
    put32(file, offset);
    put32(file, 40);
    put32(file, unsigned(picture.width()));
    put32(file, unsigned(picture.height()));
    put16(file, 1);
    put16(file, unsigned(bits));
    for (unsigned v : {0u, unsigned(pixels.size()), 2835u, 2835u, unsigned(palette.size()), 0u})
        put32(file, v);
    return file + table + pixels;
}

// Every path under `root`, relative to it.
std::set<std::string> treeOf(const fs::path& root)
{
    std::set<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        paths.insert(fs::relative(entry.path(), root).string());
    return paths;
}

// Sets the immutable attribute for its lifetime: the only way to make a file
// unwritable for the superuser. Unavailable on some file systems.
class Immutable {
public:
    explicit Immutable(const fs::path& path) : path_(path)
    {
        set_ = std::system(("chattr +i '" + path_.string() + "' 2>/dev/null").c_str()) == 0;
    }
    ~Immutable()
    {
        if (set_)
            std::system(("chattr -i '" + path_.string() + "'").c_str());
    }
    bool set() const { return set_; }

private:
    fs::path path_;
    bool set_ = false;
};

TEST_F(WindowTest, AnErrorPageInPlaceOfAChartIsNamedAndBothFilesAreKept)
{
    writeTemplate();
    downloader.servePages = true;
    MainWindow& form = startWindow();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_THAT(messages.shown[0], StartsWith("on_GBPUSD.png from " + std::string(kDefaultChartUrl) +
                                              "orders_noncumulative_GBP_USD.png: not a PNG image (starts with '<html>"));
    EXPECT_EQ(readFile(dir / "on_GBPUSD.png"), "<html><body>Not Found</body></html>");
    EXPECT_EQ(readFile(dir / "pn_GBPUSD.png"), "<html><body>Not Found</body></html>");
    form.show();
    EXPECT_TRUE(form.isVisible());
}

TEST_F(WindowTest, BrokenTemplateFilesAreNamedAndTheWindowStillOpens)
{
    const std::string good = bmpOf(charts::DigitTemplateBitmap(), 16);
    const std::vector<std::pair<const char*, std::function<void()>>> cases = {
        {"empty", [] { writeFile("ndata.bmp", ""); }},
        {"truncated", [&] { writeFile("ndata.bmp", good.substr(0, good.size() / 2)); }},
        {"header only", [&] { writeFile("ndata.bmp", good.substr(0, 30)); }},
        {"one pixel", [] { WriteBmpFile(Bitmap(1, 1), "ndata.bmp"); }},
        {"a folder", [] { fs::create_directory("ndata.bmp"); }},
    };
    for (const auto& [what, make] : cases) {
        SCOPED_TRACE(what);
        fs::remove_all("ndata.bmp");
        make();
        messages.shown.clear();
        downloader.urls.clear();
        MainWindow& form = startWindow();
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_THAT(messages.shown[0], StartsWith((fs::current_path() / "ndata.bmp: ").string()));
        EXPECT_TRUE(downloader.urls.empty());
        form.show();
        EXPECT_TRUE(form.isVisible());
        form.close();
        settle();
    }
}

// Other bit depths are read as long as their colours convert exactly.
TEST_F(WindowTest, TemplateOfAnotherBitDepthReadsTheSameCharts)
{
    writeTemplate();
    startWindow();
    const QString expected = ordersPane()->toPlainText();
    ASSERT_FALSE(expected.isEmpty());
    const Bitmap glyphs = charts::DigitTemplateBitmap();
    for (int bits : {8, 16}) {
        SCOPED_TRACE(bits);
        writeFile("ndata.bmp", bmpOf(glyphs, bits, bits == 8 ? std::vector{colours::black, colours::white}
                                                             : std::vector<Colour>{}));
        MainWindow& form = startWindow();
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(ordersPane()->toPlainText(), expected);
    }
}

TEST_F(WindowTest, HugeGarbledSettingsAreReadAndKeptThroughAClose)
{
    writeTemplate();
    std::string garbage(10 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 2654435761u) >> 13);
    const std::string kept = garbage + "\n" + std::string(100000, 'x') + "\n";
    writeFile(settingsPath(), kept + "[Setting]\nTime2=40\n");
    MainWindow& form = startWindow();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(form.state().settings.timers.hourlyMinute, 40);
    form.close();
    EXPECT_TRUE(messages.shown.empty());
    const std::string after = readFile(settingsPath());
    EXPECT_TRUE(after.starts_with(kept)) << "the bytes before the section were changed";
    EXPECT_NE(after.find("Time2=40"), std::string::npos);
}

TEST_F(WindowTest, AnImmutableSettingsFileIsReportedAtCloseAndLeftIntact)
{
    writeTemplate();
    const std::string content = "[Setting]\r\nTime1=7\r\n";
    writeFile(settingsPath(), content);
    Immutable locked(settingsPath());
    if (!locked.set())
        GTEST_SKIP() << "chattr +i is not available here";
    MainWindow& form = startWindow();
    messages.shown.clear();
    form.close();
    EXPECT_THAT(messages.shown, ElementsAre(::testing::StartsWith("Unable to write to " + settingsFile + ": ")));
    EXPECT_EQ(readFile(settingsPath()), content);
    EXPECT_TRUE(form.isShutDown());
}

// Pair texts become local file names: none may lead out of the current folder.
TEST_F(WindowTest, PairTextsNeverCreateFilesOutsideTheCurrentFolder)
{
    fs::create_directories(dir / "a" / "b");
    ScopedCurrentDir inner(dir / "a" / "b");
    writeTemplate();
    MainWindow& form = startWindow();
    for (const std::string text : {std::string(200, 'Z'), std::string("../../x/y"), std::string("..\\..\\x"),
                                   std::string("/tmp/../../etc/passwd"), std::string(197, '.') + "/.."}) {
        SCOPED_TRACE(text);
        pairBox()->setCurrentText(QString::fromStdString(text));
        refreshButton()->click();
        waitForRefresh();
    }
    EXPECT_EQ(downloader.urls.size(), 12u);
    for (const std::string& path : treeOf(dir.path()))
        EXPECT_TRUE(path == "a" || path == "a/b" || path.starts_with("a/b/")) << path;
    for (const std::string& path : treeOf(dir / "a" / "b"))
        EXPECT_EQ(path.find('/'), std::string::npos) << path;
}

}  // namespace
}  // namespace tivka::test
