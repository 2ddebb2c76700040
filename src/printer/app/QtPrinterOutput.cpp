#include "printer/app/QtPrinterOutput.h"

#include <QFontDatabase>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <system_error>

namespace fs = std::filesystem;

namespace printbench::printer {

QtGlyphs::QtGlyphs()
{
    const QStringList families = QFontDatabase::families();
    for (const char* wanted : {"Noto Sans Mono CJK KR", "Noto Sans CJK KR", "DejaVu Sans Mono", "DejaVu Sans"}) {
        if (!families.contains(QString::fromLatin1(wanted))) continue;
        m_fonts.emplace_back(QString::fromLatin1(wanted));
    }
    if (m_fonts.empty()) m_fonts.push_back(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    for (QFont& font : m_fonts) {
        font.setPixelSize(20);
        // No font merging: a glyph the family lacks is not fetched from whatever font the
        // system has; the list above decides.
        font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoFontMerging));
    }
}

bool QtGlyphs::draw(char32_t character, int width, std::vector<std::uint8_t>& mask)
{
    const auto font = std::find_if(m_fonts.begin(), m_fonts.end(),
                                   [&](const QFont& f) { return QFontMetrics(f).inFontUcs4(character); });
    if (font == m_fonts.end()) return false;
    QImage cell(width, VirtualPrinter::CellHeight, QImage::Format_Grayscale8);
    cell.fill(255);
    {
        QPainter painter(&cell);
        painter.setFont(*font);
        painter.setPen(Qt::black);
        painter.drawText(QRect(0, 0, width, VirtualPrinter::CellHeight), Qt::AlignCenter,
                         QString::fromUcs4(&character, 1));
    }
    bool any = false;
    for (int y = 0; y < VirtualPrinter::CellHeight; ++y) {
        const uchar* row = cell.constScanLine(y);
        for (int x = 0; x < width; ++x) {
            const bool ink = row[x] < 128;
            mask[std::size_t(y * width + x)] = ink;
            any = any || ink;
        }
    }
    // A space (no-break space among the tables' codes) is rightly blank.
    return any || QChar::isSpace(character);
}

QImage pageImage(const Page& page)
{
    QImage image(page.dots.width, std::max(1, page.height), QImage::Format_Grayscale8);
    image.fill(255);
    for (int y = 0; y < std::min(page.height, page.dots.height); ++y) {
        const std::uint8_t* dots = page.dots.row(y);
        uchar* out = image.scanLine(y);
        for (int x = 0; x < page.dots.width; ++x) {
            // Density 0 prints grey 60, each step 12 darker or lighter: +5 black, -5 grey 120.
            if (dots[x]) out[x] = static_cast<uchar>(std::clamp(60 - 12 * (int(dots[x]) - 6), 0, 254));
        }
    }
    return image;
}

PngFolder::PngFolder(fs::path folder, std::function<void(const std::string&)> note)
    : m_folder(std::move(folder)), m_note(std::move(note))
{
    std::error_code ec;
    fs::create_directories(m_folder, ec);
    if (ec) throw std::runtime_error("cannot make the output folder " + m_folder.string() + ": " + ec.message());
    const std::regex name(R"(receipt-(\d{1,9})\.png)");
    for (const auto& entry : fs::directory_iterator(m_folder, ec)) {
        std::smatch m;
        const std::string file = entry.path().filename().string();
        if (std::regex_match(file, m, name)) m_next = std::max(m_next, std::stoi(m[1].str()) + 1);
    }
}

bool PngFolder::save(const Page& page, const fs::path& path)
{
    // Written under another name first, so that whoever watches the folder sees whole files.
    const fs::path partial = m_folder / ("." + path.filename().string() + ".part");
    std::error_code ec;
    if (!pageImage(page).save(QString::fromStdString(partial.string()), "PNG")) {
        fs::remove(partial, ec);
        m_note("cannot write " + path.string());
        return false;
    }
    fs::rename(partial, path, ec);
    if (ec) {
        fs::remove(partial, ec);
        m_note("cannot write " + path.string() + ": " + ec.message());
        return false;
    }
    return true;
}

void PngFolder::write(const Page& page)
{
    char file[32];
    std::snprintf(file, sizeof file, "receipt-%04d.png", m_next++);
    const fs::path path = m_folder / file;
    std::error_code ec;
    fs::remove(inProgressPath(), ec);
    if (page.piece == 1) m_firstPiece = file;
    if (!save(page, path)) return;
    std::string text = path.string() + ": " + std::to_string(page.dots.width) + " x " + std::to_string(page.height) +
                       " dots, ";
    const std::string piece = "piece " + std::to_string(page.piece);
    if (page.end == Page::End::Continued) text += piece + (page.piece == 1 ? " of a long receipt, " : ", ");
    else if (page.piece > 1)
        text += piece + " of " + std::to_string(page.piece) + " (" + m_firstPiece + " to " + file + "), ";
    m_note(text + endName(page.end));
}

void PngFolder::writeInProgress(const Page& page)
{
    save(page, inProgressPath());
}

}  // namespace printbench::printer
