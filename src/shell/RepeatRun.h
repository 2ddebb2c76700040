#pragma once

#include <cstdint>

namespace printbench::shell {

class Form1;

// The shape every long run shares (sequence run, H diagram, test prints): one event pass per
// repetition, the stop flag, the repetition begun (shown in "Repeated") and the repetition
// finished, compared with "Repeat Rating" read afresh. Counters are 64-bit, so long and endless
// runs never wrap; an empty "Repeat Rating" counts as 0 and the run goes on until stopped.
class RepeatRun {
public:
    // Starting a run clears the stop flag.
    explicit RepeatRun(Form1& form);

    // Lets the window handle its pending events once ("Stop", status replies, edits).
    void letEventsIn();
    bool stopRequested() const;

    // Raises the begun count; `show` writes it into "Repeated".
    void begin(bool show = true);
    // Raises the finished count.
    void finish() { ++m_finished; }
    // True when the finished count equals "Repeat Rating" as it reads now.
    bool countReached() const;

    std::int64_t begun() const { return m_begun; }
    std::int64_t finished() const { return m_finished; }

private:
    Form1& m_form;
    std::int64_t m_begun = 0;
    std::int64_t m_finished = 0;
};

} // namespace printbench::shell
