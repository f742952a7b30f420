// "Сохранить": the picture of both charts, saved through the file dialog.
#include "export/gui/picture_saver.h"

#include <QFileDialog>
#include <QLineEdit>
#include <gmock/gmock.h>

#include "chart/gui/bitmap_image.h"
#include "chart/png_codec.h"
#include "support/scripted_modals.h"
#include "support/test_support.h"

namespace tivka {
namespace {

// The name proposed is the pair's; the file written holds the picture pixel
// for pixel; a folder that vanished after it was chosen is an error naming the
// file, with nothing written.
TEST(PictureSaver, SavesThePicturePixelForPixelUnderTheNameChosen)
{
    QImage picture(514, 532, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x & 0xFF, (x * y) & 0xFF, y & 0xFF));
    test::TempDir dir;
    test::ScriptedModalRunner modal;
    PictureSaver saver{modal, nullptr};
    const std::string vanished = (dir / "gone" / "chart.png").string();
    for (const std::string typed : {"", "report", vanished.c_str()}) {
        modal.setNext([&](QDialog& dialog) {
            auto& files = dynamic_cast<QFileDialog&>(dialog);
            EXPECT_EQ(files.findChild<QLineEdit*>("fileNameEdit")->text(), "EURGBP");
            files.setDirectory(QString::fromStdString(dir.path().string()));
            if (!typed.empty())
                files.selectFile(QString::fromStdString(typed));
            typed == vanished ? dialog.done(QDialog::Accepted) : dialog.accept();
            return files.result();
        });
        if (typed == vanished)
            EXPECT_THAT([&] { saver.save(picture, "EUR/GBP"); },
                        ::testing::ThrowsMessage<std::runtime_error>(::testing::HasSubstr("chart.png")));
        else
            saver.save(picture, "EUR/GBP");
    }
    EXPECT_EQ(DecodePngFile((dir / "EURGBP.png").string()), fromQImage(picture));
    EXPECT_EQ(DecodePngFile((dir / "report.png").string()), fromQImage(picture));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

}  // namespace
}  // namespace tivka
