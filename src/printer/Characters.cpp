#include "printer/Characters.h"

#include <iconv.h>

#include <array>
#include <mutex>

namespace printbench::printer {

namespace {

char32_t convert(bool cp437Table, const unsigned char* bytes, std::size_t n)
{
    // One converter per code page, opened once; iconv keeps state, so calls are serialised.
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    static iconv_t cp437 = iconv_open("UTF-32LE", "CP437");
    static iconv_t cp949 = iconv_open("UTF-32LE", "CP949");
    iconv_t cd = cp437Table ? cp437 : cp949;
    if (cd == reinterpret_cast<iconv_t>(-1)) return U'\uFFFD';
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    unsigned char out[8] = {};
    char* in = reinterpret_cast<char*>(const_cast<unsigned char*>(bytes));
    char* dst = reinterpret_cast<char*>(out);
    std::size_t inLeft = n, outLeft = sizeof out;
    if (iconv(cd, &in, &inLeft, &dst, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0 || outLeft != 4)
        return U'\uFFFD';
    return char32_t(out[0] | out[1] << 8 | out[2] << 16 | std::uint32_t(out[3]) << 24);
}

}  // namespace

char32_t unicodeOf(std::uint32_t code)
{
    if (code < 0x80) return code >= 0x20 && code != 0x7F ? char32_t(code) : U'\uFFFD';
    if (code < 0x100) {
        static const std::array<char32_t, 128> table = [] {
            std::array<char32_t, 128> t{};
            for (unsigned i = 0; i < 128; ++i) {
                const unsigned char b = static_cast<unsigned char>(0x80 + i);
                t[i] = convert(true, &b, 1);
            }
            return t;
        }();
        return table[code - 0x80];
    }
    const unsigned char pair[2] = {static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code)};
    return convert(false, pair, 2);
}

std::string utf8Of(std::uint32_t code)
{
    const char32_t u = unicodeOf(code);
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

bool isSingleLineBox(std::uint32_t code)
{
    switch (code) {
    case 0xB3:
    case 0xB4:
    case 0xBF:
    case 0xC0:
    case 0xC1:
    case 0xC2:
    case 0xC3:
    case 0xC4:
    case 0xC5:
    case 0xD9:
    case 0xDA: return true;
    default: return false;
    }
}

}  // namespace printbench::printer
