#include "pictures/app/PictureFile.h"

#include <QImage>
#include <QImageReader>

#include <algorithm>

namespace printbench::pictures {

std::variant<GreyPicture, std::string> readGreyPicture(const std::string& path)
{
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull()) return path + " cannot be read: " + reader.errorString().toStdString();
    // Transparent pixels are paper: put on white first, then to grey.
    const QImage source = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage flat(image.size(), QImage::Format_RGB32);
    for (int y = 0; y < flat.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(flat.scanLine(y));
        for (int x = 0; x < flat.width(); ++x) {
            const int paper = 255 - qAlpha(in[x]);  // premultiplied: colour + white behind the rest
            out[x] = qRgb(qRed(in[x]) + paper, qGreen(in[x]) + paper, qBlue(in[x]) + paper);
        }
    }
    const QImage grey = flat.convertToFormat(QImage::Format_Grayscale8);
    GreyPicture picture{grey.width(), grey.height(), {}};
    picture.grey.resize(std::size_t(grey.width()) * std::size_t(grey.height()));
    for (int y = 0; y < grey.height(); ++y)
        std::copy_n(grey.constScanLine(y), grey.width(), picture.grey.begin() + std::ptrdiff_t(y) * grey.width());
    return picture;
}

FittedPicture fitToWidth(const GreyPicture& picture, int widthDots, bool crop)
{
    if (widthDots <= 0 || picture.width <= widthDots) return {picture, {}};
    if (crop) return {cropToWidth(picture, widthDots), croppedNotice(widthDots)};
    const QImage source(picture.grey.data(), picture.width, picture.height, picture.width, QImage::Format_Grayscale8);
    const int height = std::max(1, int((std::int64_t(picture.height) * widthDots + picture.width / 2) / picture.width));
    const QImage scaled = source.scaled(widthDots, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_Grayscale8);
    GreyPicture fitted{scaled.width(), scaled.height(), {}};
    fitted.grey.resize(std::size_t(scaled.width()) * std::size_t(scaled.height()));
    for (int y = 0; y < scaled.height(); ++y)
        std::copy_n(scaled.constScanLine(y), scaled.width(), fitted.grey.begin() + std::ptrdiff_t(y) * scaled.width());
    return {fitted, {}};
}

}  // namespace printbench::pictures
