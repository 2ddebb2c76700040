#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace printbench::link {

// The host's legacy code page for user text: the one Windows would choose as the ANSI code
// page for the user's language. Text typed in the window reaches the printer in it.
class CodePage {
public:
    // The code page for a POSIX locale name such as "ko_KR.UTF-8", "zh_TW", "C".
    static std::string forLocale(std::string_view locale);
    // The code page for this process's LC_ALL / LC_CTYPE / LANG.
    static std::string forEnvironment();

    explicit CodePage(std::string name);
    ~CodePage();
    CodePage(const CodePage&) = delete;
    CodePage& operator=(const CodePage&) = delete;

    const std::string& name() const { return m_name; }
    // Chooses another code page from now on (the same fallback as the constructor's).
    void choose(std::string name);

    // The characters of `utf8` the code page lacks, each once, in order of first appearance
    // (a byte that is not valid UTF-8 counts as one, shown as U+FFFD).
    std::vector<std::string> missingCharacters(std::string_view utf8) const;

    // UTF-8 in, code-page bytes out. A character the code page lacks, and any byte that is
    // not valid UTF-8, becomes "?". Text made of codes 0 to 127 passes unchanged.
    std::vector<std::uint8_t> encode(std::string_view utf8) const;

private:
    std::string m_name;
    void* m_cd = nullptr;  // iconv_t
};

}  // namespace printbench::link
