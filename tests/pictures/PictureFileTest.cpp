#include "app/cockpit/PictureDialog.h"
#include "pictures/app/PictureFile.h"
#include "support/PrinterPeer.h"
#include "support/Recorder.h"

#include <QImage>
#include <QCheckBox>
#include <QComboBox>
#include <QImageWriter>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace {

using namespace printbench;

// Transparent is paper, whatever colour it hides; half-transparent black is mid grey; a JPEG's
// EXIF orientation turns it; a missing file or one that is no picture says so.
TEST(PictureFile, ReadsAnyPictureAsGreyOnWhitePaper)
{
    testkit::TempDir dir;
    QImage png(3, 1, QImage::Format_ARGB32);
    png.setPixel(0, 0, qRgba(0, 0, 0, 0));
    png.setPixel(1, 0, qRgba(0, 0, 0, 255));
    png.setPixel(2, 0, qRgba(0, 0, 0, 128));
    const QString pngPath = QString::fromStdString((dir.path() / "a.png").string());
    ASSERT_TRUE(png.save(pngPath));
    auto read = pictures::readGreyPicture(pngPath.toStdString());
    ASSERT_TRUE(std::holds_alternative<pictures::GreyPicture>(read)) << std::get<std::string>(read);
    EXPECT_EQ(std::get<pictures::GreyPicture>(read).grey, (std::vector<std::uint8_t>{255, 0, 127}));

    QImage wide(40, 8, QImage::Format_RGB32);
    wide.fill(Qt::black);
    QImageWriter jpeg(QString::fromStdString((dir.path() / "turned.jpg").string()), "jpeg");
    jpeg.setTransformation(QImageIOHandler::TransformationRotate90);
    ASSERT_TRUE(jpeg.write(wide));
    read = pictures::readGreyPicture((dir.path() / "turned.jpg").string());
    ASSERT_TRUE(std::holds_alternative<pictures::GreyPicture>(read));
    EXPECT_EQ(std::get<pictures::GreyPicture>(read).width, 8);
    EXPECT_EQ(std::get<pictures::GreyPicture>(read).height, 40);

    testkit::writeFile(dir.path() / "text.png", std::vector<std::uint8_t>{'n', 'o', 't'});
    for (const std::string name : {"missing.png", "text.png"}) {
        read = pictures::readGreyPicture((dir.path() / name).string());
        ASSERT_TRUE(std::holds_alternative<std::string>(read));
        EXPECT_EQ(std::get<std::string>(read).rfind((dir.path() / name).string() + " cannot be read: ", 0), 0u);
    }
}

TEST(PictureFile, AWiderPictureIsScaledDownOrCroppedAtTheWidth)
{
    const pictures::GreyPicture grey{1000, 201, std::vector<std::uint8_t>(201000, 100)};
    const auto scaled = pictures::fitToWidth(grey, 500, false);
    EXPECT_EQ(std::pair(scaled.picture.width, scaled.picture.height), std::pair(500, 101));
    EXPECT_EQ(scaled.picture.grey[250 * 50], 100);
    EXPECT_EQ(scaled.notice, "");
    const auto cropped = pictures::fitToWidth(grey, 500, true);
    EXPECT_EQ(std::pair(cropped.picture.width, cropped.picture.height), std::pair(500, 201));
    EXPECT_EQ(cropped.notice, "cropped at 500 dots");
    EXPECT_EQ(pictures::fitToWidth(grey, 1000, true).picture.width, 1000);
}

// The dialog shows the dots it will send, as dithered from the fitted picture, redrawn when a
// choice changes; a file that is no picture leaves nothing to print.
TEST(PictureFile, TheDialogPreviewsTheDotsItPrints)
{
    testkit::ensureQtApp();
    testkit::TempDir dir;
    QImage grey(40, 10, QImage::Format_Grayscale8);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 40; ++x) grey.scanLine(y)[x] = uchar(x * 6);
    ASSERT_TRUE(grey.save(testkit::q(dir.path() / "g.png")));
    app::PictureDialog dialog(20, [&] { return testkit::q(dir.path() / "g.png"); });
    EXPECT_FALSE(dialog.dots());
    dialog.findChild<QPushButton*>("choose")->click();
    const auto fitted = [&](bool crop) {
        return pictures::fitToWidth(std::get<pictures::GreyPicture>(pictures::readGreyPicture((dir.path() / "g.png").string())), 20, crop).picture;
    };
    ASSERT_TRUE(dialog.dots());
    EXPECT_EQ(*dialog.dots(), pictures::dither(fitted(false), pictures::Dither::FloydSteinberg));
    dialog.findChild<QCheckBox*>("crop")->setChecked(true);
    dialog.findChild<QComboBox*>("dither")->setCurrentIndex(0);
    dialog.findChild<QSpinBox*>("threshold")->setValue(60);
    EXPECT_EQ(*dialog.dots(), pictures::dither(fitted(true), pictures::Dither::Threshold, 60));
    EXPECT_EQ(dialog.findChild<QLabel*>("notice")->text(), "cropped at 20 dots");
    EXPECT_EQ(dialog.findChild<QLabel*>("preview")->pixmap().width(), 20);
    testkit::writeFile(dir.path() / "g.png", std::vector<std::uint8_t>{'n', 'o'});
    dialog.setFile(testkit::q(dir.path() / "g.png"));
    EXPECT_FALSE(dialog.dots());
}

}  // namespace
