#include "window/FieldChecks.h"

#include "window/Form1.h"

#include <algorithm>

namespace printbench::window {

using link::PrinterLink;

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool allDigits(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), isDigit);
}

// Compares the decimal value of a digit string with a limit without converting it, so that a
// text of any length compares right.
bool digitsGreaterThan(std::string_view digits, std::string_view limit)
{
    while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
    if (digits.size() != limit.size()) return digits.size() > limit.size();
    return digits > limit;
}

}  // namespace

std::uint64_t wholeNumber(std::string_view text, std::uint64_t max)
{
    std::uint64_t value = 0;
    for (char c : text) {
        if (!isDigit(c)) break;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (max - digit) / 10) return max;
        value = value * 10 + digit;
    }
    return value;
}

void Form1::Text2_Change()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (allDigits(m_fields.text(Control::Text2))) return;
    MsgBox(Icon::Critical, forms::OnlyNumberBang);
    setText(Control::Text2, "1");
}

void Form1::Text5_Change()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (allDigits(m_fields.text(Control::Text5))) return;
    MsgBox(Icon::Critical, forms::OnlyNumber);
    setText(Control::Text5, "500");
}

void Form1::Text10_Change()
{
    const PrinterLink::HandlerScope scope(m_link);
    const std::string text = m_fields.text(Control::Text10);
    if (text.empty()) return;
    if (!allDigits(text)) {
        MsgBox(Icon::Critical, forms::OnlyNumberBang);
    } else if (!digitsGreaterThan(text, "1010")) {
        return;
    }
    MsgBox(Icon::Critical, forms::Max1010);
    setText(Control::Text10, "1010");
}

void Form1::CheckPortSelected()
{
    MsgBox(Icon::Critical, forms::SelectPort);
}

}  // namespace printbench::window
