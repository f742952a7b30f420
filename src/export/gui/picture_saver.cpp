#include "export/gui/picture_saver.h"

#include <QFileDialog>

#include "acquisition/pair_naming.h"
#include "chart/png_codec.h"
#include "chart/chart_geometry.h"
#include "chart/gui/bitmap_image.h"

namespace tivka {
namespace {

void configure(QFileDialog& dialog, const std::string& pairText)
{
    dialog.setObjectName("savePictureDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("PNG Image file (*.png)"));
    dialog.setDefaultSuffix(QStringLiteral("png"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setSizeGripEnabled(true);
    dialog.selectFile(QString::fromStdString(PairCode(pairText)));
}

QImage blankPicture()
{
    QImage blank(geometry::kPictureWidth, geometry::kPictureHeight, QImage::Format_RGB32);
    blank.fill(Qt::white);
    return blank;
}

}  // namespace

PictureSaver::PictureSaver(ModalRunner& modal, QWidget* parent) : modal_(modal), parent_(parent) {}

void PictureSaver::save(const QImage& picture, const std::string& pairText)
{
    QFileDialog dialog(parent_);
    configure(dialog, pairText);
    if (modal_.exec(dialog) != QDialog::Accepted)
        return;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty())
        return;
    const Bitmap bitmap = fromQImage(picture.isNull() ? blankPicture() : picture);
    EncodePngFile(bitmap, chosen.front().toStdString());
}

}  // namespace tivka
