// The window against the synthetic chart server over loopback HTTP, and the
// spreadsheet transfer into the in-process spreadsheet stand-in.
#include <QImage>
#include <filesystem>

#include "acquisition/bitmap.h"
#include "chart_server/chart_server.h"
#include "platform/automation.h"
#include "platform/gui/qt_text_painter.h"
#include "platform/spreadsheet_server.h"
#include "window_fixture.h"

namespace tivka::test {
namespace {

namespace fs = std::filesystem;

std::string serverUrl(const charts::ChartServer& server)
{
    return "http://127.0.0.1:" + std::to_string(server.port()) + std::string(charts::kChartFolder);
}

TEST_F(WindowTest, StartsUpAgainstTheChartServer)
{
    charts::ChartServer server({});
    server.start();
    writeTemplate();
    writeFile(settingsPath(), "[Setting]\nTIVKA_URL=" + serverUrl(server) + "\n");
    CurlDownloader curl;
    activeDownloader = &curl;
    TForm1& form = startWindow();
    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
    ASSERT_TRUE(form.state().ImagesLoaded());
    EXPECT_TRUE(form.Memo1->toPlainText().startsWith("--- Now Price"));
    EXPECT_GT(form.state().orders.Now.Price, 0);
    EXPECT_GT(form.state().positions.ScaleCount, 0);
    form.close();
    EXPECT_THAT(settingsLines(), ::testing::Contains("TIVKA_URL=" + serverUrl(server)));
}

TEST_F(WindowTest, SpreadsheetTransferWritesAWorkbookAndLeavesThePanesAsTheyWere)
{
    const fs::path books = dir / "books";
    fs::create_directory(books);
    SpreadsheetServerOptions options;
    options.folder = books.string();
    ScopedAutomationClass spreadsheet(kSpreadsheetClassName, SpreadsheetServerFactory(options));
    writeTemplate();
    TForm1& form = startWindow();
    form.show();
    const QString orders = form.Memo1->toPlainText();
    form.Exel1->trigger();
    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
    EXPECT_EQ(std::distance(fs::directory_iterator(books), fs::directory_iterator()), 1);
    EXPECT_EQ(form.Memo1->toPlainText(), orders);
    EXPECT_FALSE(form.state().spreadsheet.channel.ExcelExport);
    EXPECT_FALSE(form.Panel2->isVisible());
}

TEST(QtTextPainter, InksOnlyInsideTheTextBoxOnWhite)
{
    Bitmap target(120, 40, colours::grey);
    QtTextPainter painter;
    painter.drawText(target, 10, 5, 8, "1.2345");
    int inked = 0;
    bool outsideTouched = false;
    for (int y = 0; y < target.height(); ++y)
        for (int x = 0; x < target.width(); ++x) {
            const Colour c = target.pixel(x, y);
            if (c == colours::black)
                ++inked;
            if (c != colours::grey && (x < 10 || y < 5))
                outsideTouched = true;
        }
    EXPECT_GT(inked, 10);
    EXPECT_FALSE(outsideTouched);
    EXPECT_NE(target.pixel(11, 6), colours::grey);  // the box is white or ink, not left grey
}

}  // namespace
}  // namespace tivka::test
