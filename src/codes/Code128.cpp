#include "codes/Code128.h"

#include "codes/CodeText.h"

#include <algorithm>
#include <array>
#include <limits>

namespace printbench::codes {

namespace {

constexpr int kFnc1 = -1;
constexpr int kInfinite = std::numeric_limits<int>::max() / 4;
enum Set { A, B, C };
constexpr std::array<char, 3> kSetLetter{'A', 'B', 'C'};

bool inA(int c)
{
    return c == kFnc1 || (c >= 0 && c < 0x60);
}
bool inB(int c)
{
    return c == kFnc1 || (c >= 0x20 && c < 0x80);
}
bool digit(int c)
{
    return c >= '0' && c <= '9';
}

// The fewest symbols for chars[i...] from set `s`, without a code change first (stay) and with
// one allowed (best): filled from the end.
struct Plan {
    std::vector<std::array<int, 3>> stay, best;
};

Plan plan(const std::vector<int>& t)
{
    const std::size_t n = t.size();
    Plan p{std::vector<std::array<int, 3>>(n + 1, {0, 0, 0}), std::vector<std::array<int, 3>>(n + 1, {0, 0, 0})};
    for (std::size_t i = n; i-- > 0;) {
        const int c = t[i];
        std::array<int, 3>& stay = p.stay[i];
        stay[A] = (inA(c) ? 1 : 2) + p.best[i + 1][A];  // a character of set B only goes shifted
        stay[B] = (inB(c) ? 1 : 2) + p.best[i + 1][B];
        stay[C] = c == kFnc1                                 ? 1 + p.best[i + 1][C]
                  : i + 1 < n && digit(c) && digit(t[i + 1]) ? 1 + p.best[i + 2][C]
                                                             : kInfinite;
        for (const int s : {A, B, C}) {
            int best = stay[s];
            for (const int u : {B, A, C})
                if (u != s) best = std::min(best, 1 + stay[u]);
            p.best[i][s] = best;
        }
    }
    return p;
}

void pushMark(std::vector<std::uint8_t>& bytes, char mark)
{
    bytes.push_back('{');
    bytes.push_back(static_cast<std::uint8_t>(mark));
}

void pushCharacter(std::vector<std::uint8_t>& bytes, int c)
{
    if (c == kFnc1) return pushMark(bytes, '1');
    if (c == '{') bytes.push_back('{');
    bytes.push_back(static_cast<std::uint8_t>(c));
}

Code128Data plainData(const std::vector<int>& t)
{
    const Plan p = plan(t);
    Code128Data data;
    int set = B;
    for (const int s : {B, A, C})
        if (p.stay[0][s] < p.stay[0][set]) set = s;
    pushMark(data.bytes, kSetLetter[set]);
    data.values = p.stay[0][set];
    for (std::size_t i = 0; i < t.size();) {
        if (p.stay[i][set] != p.best[i][set]) {
            for (const int u : {B, A, C})
                if (u != set && 1 + p.stay[i][u] == p.best[i][set]) {
                    set = u;
                    break;
                }
            pushMark(data.bytes, kSetLetter[set]);
        }
        const int c = t[i];
        if (set == C && c != kFnc1) {
            data.bytes.push_back(static_cast<std::uint8_t>((c - '0') * 10 + (t[i + 1] - '0')));
            i += 2;
            continue;
        }
        if ((set == A && !inA(c)) || (set == B && !inB(c))) pushMark(data.bytes, 'S');
        pushCharacter(data.bytes, c);
        ++i;
    }
    return data;
}

// Text checked mark by mark, from its first "{A", "{B" or "{C".
std::variant<Code128Data, std::string> typedData(std::string_view name, std::string_view typed,
                                                 const std::vector<TextChar>& chars)
{
    Code128Data data;
    int set = A;
    int characters = 0;
    const auto refuse = [&](std::size_t i, const std::string& what) {
        return badCharacter(name, typed, chars[i], i + 1, what);
    };
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const char32_t c = chars[i].code;
        if (c == '{') {
            const char32_t mark = i + 1 < chars.size() ? chars[i + 1].code : 0;
            const std::string shown = i + 1 < chars.size() ? "{" + chars[i + 1].shown : "{";
            const auto badMark = [&](const std::string& what) {
                return std::string(name) + ": \"" + shownText(typed) + "\" has \"" + shown + "\" at position " +
                       std::to_string(i + 1) + "; " + what;
            };
            if (mark == 'A' || mark == 'B' || mark == 'C') {
                set = static_cast<int>(mark - 'A');
                if (i > 0) ++data.values;
                pushMark(data.bytes, static_cast<char>(mark));
            } else if (mark == '1' || ((mark == '2' || mark == '3' || mark == '4') && set != C)) {
                ++data.values;
                pushMark(data.bytes, static_cast<char>(mark));
            } else if ((mark == '{' || mark == 'S') && set != C) {
                // A shifted character is taken from the other of sets A and B.
                const bool shift = mark == 'S';
                std::size_t at = i + 1;
                if (shift) {
                    at = i + 2;
                    if (at < chars.size() && chars[at].code == '{') ++at;  // a shifted "{{"
                    if (at >= chars.size()) return badMark("a shift needs a character after it");
                }
                const char32_t ch = chars[at].code;
                const int from = shift ? (set == A ? B : A) : set;
                if (ch > 0x7F || !(from == A ? inA(static_cast<int>(ch)) : inB(static_cast<int>(ch))))
                    return refuse(at, std::string("set ") + kSetLetter[from] +
                                          (from == A ? " takes ASCII 0 to 95" : " takes ASCII 32 to 127"));
                if (shift) pushMark(data.bytes, 'S');
                pushCharacter(data.bytes, static_cast<int>(ch));
                data.values += shift ? 2 : 1;
                ++characters;
                i = at;
                continue;
            } else {
                return badMark(set == C ? "set C takes pairs of digits and {A {B {1"
                                        : "the marks are {A {B {C {S {1 {2 {3 {4 and {{");
            }
            ++i;
            continue;
        }
        if (set == C) {
            if (!digit(static_cast<int>(c))) return refuse(i, "set C takes pairs of digits");
            if (i + 1 >= chars.size() || !digit(static_cast<int>(chars[i + 1].code)))
                return std::string(name) + ": \"" + shownText(typed) + "\" has \"" + chars[i].shown +
                       "\" alone at position " + std::to_string(i + 1) + "; set C takes pairs of digits";
            data.bytes.push_back(static_cast<std::uint8_t>((c - '0') * 10 + (chars[i + 1].code - '0')));
            ++data.values;
            ++characters;
            ++i;
            continue;
        }
        if (c > 0x7F || !(set == A ? inA(static_cast<int>(c)) : inB(static_cast<int>(c))))
            return refuse(i, set == A ? "set A takes ASCII 0 to 95" : "set B takes ASCII 32 to 127");
        data.bytes.push_back(static_cast<std::uint8_t>(c));
        ++data.values;
        ++characters;
    }
    if (characters == 0) return std::string(name) + ": \"" + shownText(typed) + "\" has no characters";
    return data;
}

}  // namespace

std::variant<Code128Data, std::string> code128Data(std::string_view name, std::string_view typed)
{
    const std::vector<TextChar> chars = textChars(typed);
    if (chars.empty()) return std::string(name) + ": no data";
    if (chars.size() >= 2 && chars[0].code == '{' &&
        (chars[1].code == 'A' || chars[1].code == 'B' || chars[1].code == 'C'))
        return typedData(name, typed, chars);
    std::vector<int> t;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        if (chars[i].code > 0x7F)
            return badCharacter(name, typed, chars[i], i + 1, std::string(name) + " takes ASCII 0 to 127");
        t.push_back(static_cast<int>(chars[i].code));
    }
    return plainData(t);
}

int code128Values(const std::vector<int>& chars)
{
    if (chars.empty()) return 0;
    const Plan p = plan(chars);
    return std::min({p.stay[0][A], p.stay[0][B], p.stay[0][C]});
}

std::string code128Text(const std::vector<std::uint8_t>& bytes)
{
    std::string text;
    bool setC = false, raise = false;
    const auto add = [&](unsigned c) {
        if (raise) c += 128;
        raise = false;
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::uint8_t b = bytes[i];
        if (b == '{' && i + 1 < bytes.size()) {
            const std::uint8_t mark = bytes[++i];
            if (mark == 'A' || mark == 'B' || mark == 'C') setC = mark == 'C';
            else if (mark == '{') add('{');
            else if (mark == '1' && !text.empty()) text += '\x1D';
            else if (mark == '4') raise = true;
            continue;
        }
        if (setC) {
            text += static_cast<char>('0' + b / 10);
            text += static_cast<char>('0' + b % 10);
        } else {
            add(b);
        }
    }
    return text;
}

}  // namespace printbench::codes
