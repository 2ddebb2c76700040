#include "printer/Characters.h"

#include "protocol/CodeTables.h"

#include <iconv.h>

#include <array>
#include <mutex>
#include <string>

namespace printbench::printer {

namespace {

// One code through iconv from `charset`; U+FFFD when iconv has no character for it.
char32_t convert(const char* charset, const unsigned char* bytes, std::size_t n)
{
    iconv_t cd = iconv_open("UTF-32LE", charset);
    if (cd == reinterpret_cast<iconv_t>(-1)) return U'\uFFFD';
    unsigned char out[8] = {};
    char* in = reinterpret_cast<char*>(const_cast<unsigned char*>(bytes));
    char* dst = reinterpret_cast<char*>(out);
    std::size_t inLeft = n, outLeft = sizeof out;
    const bool ok = iconv(cd, &in, &inLeft, &dst, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0 &&
                    outLeft == 4;
    iconv_close(cd);
    return ok ? char32_t(out[0] | out[1] << 8 | out[2] << 16 | std::uint32_t(out[3]) << 24) : U'\uFFFD';
}

using Upper = std::array<char32_t, 128>;  // the characters of 0x80 to 0xFF

// Codes 0x80 to 0xFF of every listed table, converted once.
const std::array<Upper, protocol::kCodeTables.size()>& upperHalves()
{
    static const auto tables = [] {
        std::array<Upper, protocol::kCodeTables.size()> all{};
        for (std::size_t t = 0; t < all.size(); ++t) {
            const protocol::CodeTable& table = protocol::kCodeTables[t];
            const std::string charset(table.charset);
            for (unsigned i = 0; i < 128; ++i) {
                const auto b = static_cast<unsigned char>(0x80 + i);
                // Katakana (n 1): only A1 to DF, the half-width katakana, are characters of
                // JIS X 0201 (SHIFT_JIS reads them as single bytes). The rest of 80 to FF is the
                // makers' own in that table and has no character here: it prints as the
                // missing-glyph box.
                const bool none = table.n == 1 && (b < 0xA1 || b > 0xDF);
                all[t][i] = none ? U'\uFFFD' : convert(charset.c_str(), &b, 1);
            }
        }
        return all;
    }();
    return tables;
}

char32_t doubleByte(std::uint32_t code)
{
    // One converter, opened once; iconv keeps state, so calls are serialised.
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    static iconv_t cp949 = iconv_open("UTF-32LE", "CP949");
    if (cp949 == reinterpret_cast<iconv_t>(-1)) return U'\uFFFD';
    iconv(cp949, nullptr, nullptr, nullptr, nullptr);
    const unsigned char pair[2] = {static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code)};
    unsigned char out[8] = {};
    char* in = reinterpret_cast<char*>(const_cast<unsigned char*>(pair));
    char* dst = reinterpret_cast<char*>(out);
    std::size_t inLeft = 2, outLeft = sizeof out;
    if (iconv(cp949, &in, &inLeft, &dst, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0 || outLeft != 4)
        return U'\uFFFD';
    return char32_t(out[0] | out[1] << 8 | out[2] << 16 | std::uint32_t(out[3]) << 24);
}

}  // namespace

char32_t unicodeOf(std::uint32_t code, std::uint8_t table)
{
    if (code < 0x80) return code >= 0x20 && code != 0x7F ? char32_t(code) : U'\uFFFD';
    if (code > 0xFF) return code <= 0xFFFF ? doubleByte(code) : U'\uFFFD';
    std::size_t index = 0;  // a table not listed reads as table 0
    for (std::size_t t = 0; t < protocol::kCodeTables.size(); ++t) {
        if (protocol::kCodeTables[t].n == table) index = t;
    }
    return upperHalves()[index][code - 0x80];
}

std::string utf8Of(std::uint32_t code, std::uint8_t table)
{
    const char32_t u = unicodeOf(code, table);
    std::string s;
    if (u < 0x80) {
        s += char(u);
    } else if (u < 0x800) {
        s += char(0xC0 | u >> 6);
        s += char(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
        s += char(0xE0 | u >> 12);
        s += char(0x80 | (u >> 6 & 0x3F));
        s += char(0x80 | (u & 0x3F));
    } else {
        s += char(0xF0 | u >> 18);
        s += char(0x80 | (u >> 12 & 0x3F));
        s += char(0x80 | (u >> 6 & 0x3F));
        s += char(0x80 | (u & 0x3F));
    }
    return s;
}

bool isSingleLineBox(char32_t character)
{
    switch (character) {
    case U'│':
    case U'┤':
    case U'┐':
    case U'└':
    case U'┴':
    case U'┬':
    case U'├':
    case U'─':
    case U'┼':
    case U'┘':
    case U'┌': return true;
    default: return false;
    }
}

}  // namespace printbench::printer
