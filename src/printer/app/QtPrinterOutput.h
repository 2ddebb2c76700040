#pragma once

#include "printer/VirtualPrinter.h"

#include <QFont>
#include <QImage>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace printbench::printer {

// Characters drawn with a monospaced system font (a CJK one where installed), 12 or 24 dots
// wide and 24 high. A character the first font lacks is drawn with the first of a fixed list
// of fallback families that has it (Noto Sans Mono CJK KR, Noto Sans CJK KR, DejaVu Sans Mono,
// DejaVu Sans: fonts-noto-cjk and fonts-dejavu-core), never with a font the system picks, so
// that every program drawing a character on the same fonts draws the same dots.
class QtGlyphs : public GlyphSource {
public:
    QtGlyphs();
    bool draw(char32_t character, int width, std::vector<std::uint8_t>& mask) override;
    QString familyName() const { return m_fonts.front().family(); }

private:
    std::vector<QFont> m_fonts;  // in the order they are tried
};

// The paper as a grey image: blank paper white, dots darker the higher the print density.
QImage pageImage(const Page& page);

// Writes each page as receipt-NNNN.png into a folder, numbering on from the receipts already
// there, and tells `note` what it wrote. The pieces of a receipt longer than a page get
// consecutive numbers; the note of each says which piece it is, and that of the last names
// the first and last file of the receipt.
class PngFolder {
public:
    PngFolder(std::filesystem::path folder, std::function<void(const std::string&)> note);
    void write(const Page& page);
    // The paper not yet cut, as in-progress.png; replaced as it grows, removed by the cut.
    void writeInProgress(const Page& page);
    std::filesystem::path inProgressPath() const { return m_folder / "in-progress.png"; }
    const std::filesystem::path& folder() const { return m_folder; }

private:
    bool save(const Page& page, const std::filesystem::path& path);

    std::filesystem::path m_folder;
    std::function<void(const std::string&)> m_note;
    int m_next = 1;
    std::string m_firstPiece;  // the file of the receipt's first piece
};

}  // namespace printbench::printer
