#include "shell/Form1.h"
#include "shell/RepeatRun.h"

#include <array>
#include <utility>

namespace printbench::shell {

using link::PrinterLink;

namespace {

// The runner's names, in the order it compares them, and the procedure each calls.
const std::array<std::pair<std::string_view, void (Form1::*)()>, 9> kCommands{{
    {"Full Cut", &Form1::SendFullCut},
    {"Partial Cut", &Form1::SendPartialCut},
    {"BlackMark(Forward)", &Form1::SendBlackMarkForward},
    {"BlackMark Out(Forward)", &Form1::SendBlackMarkOutForward},
    {"BlackMark(Reverse)", &Form1::SendBlackMarkReverse},
    {"BlackMark Out(Reverse)", &Form1::SendBlackMarkOutReverse},
    {"Text Output", &Form1::SendTextOutput},
    {"Print H", &Form1::SendPrintH},
    {"Feed", &Form1::SendFeed},
}};

// R × m == executed, without overflowing for any R the field can hold.
bool countReached(std::int64_t r, std::int64_t m, std::int64_t executed)
{
    if (m == 0) return executed == 0;
    return executed % m == 0 && executed / m == r;
}

} // namespace

void Form1::List1_DblClick()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (m_fields.listIndex(Control::List1) < 0) return;
    m_fields.addListItem(Control::List2, m_fields.listText(Control::List1));
    setText(Control::Text9, std::to_string(m_fields.listCount(Control::List2)));
}

// Removes the double-clicked entry and every entry after it. Text9 keeps the count of the last
// addition.
void Form1::List2_DblClick()
{
    const PrinterLink::HandlerScope scope(m_link);
    const int p = m_fields.listIndex(Control::List2);
    if (p < 0) return;
    for (int k = m_fields.listCount(Control::List2) - p; k > 0; --k) m_fields.removeListItem(Control::List2, p);
}

void Form1::Command6_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    m_state.StopRequested = 1;
}

// The density once, then the selected commands pass after pass. Events are let in once per
// pass, before its first command; a stop takes effect there. The run is complete when
// "Repeat Rating" × the number of entries, both read at the end of the pass, equals the number
// of commands executed. Counters are 64-bit: long and endless runs never wrap.
void Form1::Command2_Click()
{
    const PrinterLink::HandlerScope scope(m_link);
    if (refuseWithoutPort()) return;

    RepeatRun run(*this);  // its begun count is the pass number
    std::int64_t ExecutedCount = 0;
    Density();

    for (;;) {
        run.begin();
        run.letEventsIn();
        const int n = m_fields.listCount(Control::List2);
        for (int i = 0; i < n; ++i) {
            m_fields.setListIndex(Control::List2, i);
            if (run.stopRequested()) return;
            const std::string entry = m_fields.listText(Control::List2);
            for (const auto& [name, procedure] : kCommands) {
                if (entry == name) {
                    ++ExecutedCount;
                    (this->*procedure)();
                    break;
                }
            }
        }
        if (countReached(repeatCount(), m_fields.listCount(Control::List2), ExecutedCount)) break;
    }
    setText(Control::Text2, "1");
}

} // namespace printbench::shell
