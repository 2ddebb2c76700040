#include "scan/app/ImageFile.h"

#include "scan/CodeReader.h"

#include <QImage>
#include <QImageReader>

namespace printbench::scan {

std::variant<std::vector<CodeRead>, std::string> readCodesInFile(const std::string& path)
{
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull()) return path + " cannot be read: " + reader.errorString().toStdString();
    // Transparent pixels are paper: put on white first, then to grey.
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QImage source = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < flat.height(); ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
            auto* out = reinterpret_cast<QRgb*>(flat.scanLine(y));
            for (int x = 0; x < flat.width(); ++x) {
                const int a = qAlpha(in[x]);
                const int paper = 255 - a;  // premultiplied: colour + white behind the rest
                out[x] = qRgb(qRed(in[x]) + paper, qGreen(in[x]) + paper, qBlue(in[x]) + paper);
            }
        }
    }
    const QImage grey = flat.convertToFormat(QImage::Format_Grayscale8);
    std::vector<std::uint8_t> pixels(std::size_t(grey.width()) * std::size_t(grey.height()));
    for (int y = 0; y < grey.height(); ++y)
        std::copy_n(grey.constScanLine(y), grey.width(), pixels.begin() + std::ptrdiff_t(y) * grey.width());
    const Reading reading = readCodes(pixels.data(), grey.width(), grey.height());
    if (!reading.trouble.empty())
        return "the barcode reader (zxing-cpp) stopped on " + reading.trouble + " of " + path +
               ", so its codes there cannot be told";
    return reading.reads();
}

}  // namespace printbench::scan
