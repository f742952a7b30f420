#include "export/gui/picture_saver.h"

#include <QFileDialog>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "chart/png_codec.h"
#include "chart/gui/bitmap_image.h"
#include "support/scripted_modals.h"
#include "support/test_support.h"

namespace tivka {
namespace {

QImage chartPicture()
{
    QImage picture(514, 532, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x & 0xFF, (x * y) & 0xFF, y & 0xFF));
    return picture;
}

class PictureSaverTest : public ::testing::Test {
protected:
    // The user types `name` in `dir` and presses Save; returns the file the
    // dialog proposed.
    void typeAndSave(const std::string& name)
    {
        modal.setNext([this, name](QDialog& dialog) {
            auto& files = dynamic_cast<QFileDialog&>(dialog);
            const auto* nameEdit = files.findChild<QLineEdit*>("fileNameEdit");
            proposed = nameEdit ? nameEdit->text().toStdString() : "(no name field)";
            files.setDirectory(QString::fromStdString(dir.path().string()));
            if (!name.empty())
                files.selectFile(QString::fromStdString(name));
            static_cast<QDialog&>(files).accept();  // the Save button
            return files.result();
        });
    }

    test::TempDir dir;
    test::ScriptedModalRunner modal;
    PictureSaver saver{modal, nullptr};
    std::string proposed;
};

TEST_F(PictureSaverTest, DialogIsASavePngDialog)
{
    modal.setNext([](QDialog& dialog) {
        auto& files = dynamic_cast<QFileDialog&>(dialog);
        EXPECT_EQ(files.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(files.nameFilters(), QStringList{QStringLiteral("PNG Image file (*.png)")});
        EXPECT_EQ(files.defaultSuffix(), QStringLiteral("png"));
        EXPECT_FALSE(files.testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_FALSE(files.testOption(QFileDialog::ReadOnly));
        EXPECT_TRUE(files.isSizeGripEnabled());
        return int(QDialog::Rejected);
    });
    saver.save(chartPicture(), "GBP/USD");
    EXPECT_EQ(modal.count, 1);
}

TEST_F(PictureSaverTest, SavesThePicturePixelForPixelUnderTheProposedOrTypedName)
{
    const QImage picture = chartPicture();
    const struct {
        const char* pair;
        const char* typed;  // empty: the proposed name is kept
        const char* proposed;
        const char* written;
    } cases[] = {{"USD/JPY", "", "USDJPY", "USDJPY.png"},
                 {"EUR/GBP", "report", "EURGBP", "report.png"},
                 {"EUR/GBP", "report2.png", "EURGBP", "report2.png"}};
    for (const auto& c : cases) {
        typeAndSave(c.typed);
        saver.save(picture, c.pair);
        EXPECT_EQ(proposed, c.proposed);
        EXPECT_EQ(DecodePngFile((dir / c.written).string()), fromQImage(picture)) << c.written;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

TEST_F(PictureSaverTest, CancelWritesNothing)
{
    modal.setNext([this](QDialog& dialog) {
        auto& files = dynamic_cast<QFileDialog&>(dialog);
        files.setDirectory(QString::fromStdString(dir.path().string()));
        files.selectFile("chart");
        files.reject();
        return files.result();
    });
    saver.save(chartPicture(), "GBP/USD");
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(PictureSaverTest, BlankCanvasBeforeAnyChart)
{
    typeAndSave("blank");
    saver.save(QImage(), "GBP/USD");
    const Bitmap saved = DecodePngFile((dir / "blank.png").string());
    EXPECT_EQ(saved, Bitmap(514, 532, colours::white));
}

TEST_F(PictureSaverTest, UnwritableFileIsAnErrorNamingIt)
{
    const std::string path = (dir / "missing" / "chart.png").string();
    modal.setNext([&](QDialog& dialog) {
        auto& files = dynamic_cast<QFileDialog&>(dialog);
        files.selectFile(QString::fromStdString(path));
        static_cast<QDialog&>(files).done(QDialog::Accepted);  // the folder vanished after choosing
        return files.result();
    });
    try {
        saver.save(chartPicture(), "GBP/USD");
        FAIL() << "no error for an unwritable file";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("chart.png"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace tivka
