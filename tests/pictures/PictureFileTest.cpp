#include "pictures/app/PictureFile.h"
#include "support/Recorder.h"

#include <QImage>
#include <QImageWriter>

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

}  // namespace
