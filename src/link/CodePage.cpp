#include "link/CodePage.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <iconv.h>

namespace printbench::link {

namespace {

bool isAscii(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Length of the UTF-8 character at the start of `s`: its lead byte and the continuation bytes
// that follow it, so that a broken sequence never swallows the character after it.
std::size_t utf8Length(std::string_view s)
{
    const auto lead = static_cast<unsigned char>(s[0]);
    std::size_t want = 1;
    if (lead >= 0xF0 && lead <= 0xF4) want = 4;
    else if (lead >= 0xE0 && lead <= 0xEF) want = 3;
    else if (lead >= 0xC2 && lead <= 0xDF) want = 2;
    std::size_t len = 1;
    while (len < want && len < s.size() && (static_cast<unsigned char>(s[len]) & 0xC0) == 0x80) ++len;
    return len;
}

}  // namespace

std::string CodePage::forLocale(std::string_view locale)
{
    // "ll_TT.charset@modifier": language and territory decide, as Windows decides by locale.
    std::string_view name = locale.substr(0, locale.find_first_of(".@"));
    const std::string_view lang = name.substr(0, name.find('_'));
    const std::string_view territory = name.find('_') == std::string_view::npos ? std::string_view()
                                                                                : name.substr(name.find('_') + 1);
    const auto in = [&](std::initializer_list<std::string_view> list) {
        return std::find(list.begin(), list.end(), lang) != list.end();
    };

    if (lang == "ko") return "CP949";
    if (lang == "ja") return "CP932";
    if (lang == "zh") {
        return territory == "TW" || territory == "HK" || territory == "MO" ? "CP950" : "CP936";
    }
    if (lang == "th") return "CP874";
    if (in({"cs", "pl", "hu", "sk", "sl", "hr", "ro", "sq", "bs", "hsb", "dsb", "tk"})) return "CP1250";
    if (lang == "sr") {
        return locale.find("@latin") != std::string_view::npos ? "CP1250" : "CP1251";
    }
    if (in({"ru", "uk", "be", "bg", "mk", "kk", "ky", "tt", "mn", "ba", "cv", "tg", "sah", "os"})) return "CP1251";
    if (lang == "el") return "CP1253";
    if (in({"tr", "az"})) return "CP1254";
    if (in({"he", "iw", "yi"})) return "CP1255";
    if (in({"ar", "fa", "ur", "ps", "ug", "sd", "ckb"})) return "CP1256";
    if (in({"lt", "lv", "et"})) return "CP1257";
    if (lang == "vi") return "CP1258";
    return "CP1252";  // Western languages, C and POSIX
}

std::string CodePage::forEnvironment()
{
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(var);
        if (value && *value) return forLocale(value);
    }
    return forLocale("C");
}

CodePage::CodePage(std::string name)
{
    choose(std::move(name));
}

void CodePage::choose(std::string name)
{
    if (m_cd) iconv_close(static_cast<iconv_t>(m_cd));
    m_cd = nullptr;
    m_name = std::move(name);
    iconv_t cd = iconv_open(m_name.c_str(), "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // Every glibc carries CP1252; a code page it lacks falls back to it.
        m_name = "CP1252";
        cd = iconv_open(m_name.c_str(), "UTF-8");
    }
    if (cd != reinterpret_cast<iconv_t>(-1)) m_cd = cd;
}

std::vector<std::string> CodePage::missingCharacters(std::string_view utf8) const
{
    std::vector<std::string> missing;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::size_t len = utf8Length(utf8.substr(pos));
        const std::string_view ch = utf8.substr(pos, len);
        pos += len;
        if (encode(ch) != std::vector<std::uint8_t>{'?'} || ch == "?") continue;
        // A broken sequence is shown as the replacement character.
        const bool valid = len > 1 || static_cast<unsigned char>(ch[0]) < 0x80;
        std::string shown = valid ? std::string(ch) : std::string("\xEF\xBF\xBD");
        if (std::find(missing.begin(), missing.end(), shown) == missing.end()) missing.push_back(std::move(shown));
    }
    return missing;
}

CodePage::~CodePage()
{
    if (m_cd) iconv_close(static_cast<iconv_t>(m_cd));
}

std::vector<std::uint8_t> CodePage::encode(std::string_view utf8) const
{
    if (isAscii(utf8) || !m_cd) {
        std::vector<std::uint8_t> out;
        out.reserve(utf8.size());
        for (char c : utf8) {
            const auto b = static_cast<unsigned char>(c);
            out.push_back(b < 0x80 ? b : '?');
        }
        return out;
    }

    auto cd = static_cast<iconv_t>(m_cd);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::vector<std::uint8_t> out(utf8.size() * 2 + 16);
    std::size_t used = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        // One character at a time, so that a character the code page lacks becomes one "?".
        const std::size_t len = utf8Length(utf8.substr(pos));
        if (out.size() - used < 8) out.resize(out.size() * 2);
        char* in = const_cast<char*>(utf8.data() + pos);
        std::size_t inLeft = len;
        char* dst = reinterpret_cast<char*>(out.data() + used);
        std::size_t outLeft = out.size() - used;
        const std::size_t r = iconv(cd, &in, &inLeft, &dst, &outLeft);
        if (r == static_cast<std::size_t>(-1) || inLeft != 0) {
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            out[used++] = '?';
        } else {
            used = out.size() - outLeft;
        }
        pos += len;
    }
    out.resize(used);
    return out;
}

}  // namespace printbench::link
