#pragma once

#include "commands/SharedState.h"
#include "link/Channel.h"

#include <cstdint>

namespace printbench::commands {

// What a long run reads and shows as it goes. The window implements it; a run reads the count
// afresh at every comparison, so an edit made during the run takes effect at the next one.
class RunPanel {
public:
    virtual ~RunPanel() = default;
    // "Repeat Rating": the repetitions asked for; an empty field counts as 0.
    virtual std::int64_t repeatCount() = 0;
    // "Repeated": the repetition in progress.
    virtual void showRepetition(std::int64_t n) = 0;
    // Every repetition begun and finished, whether "Repeated" shows it or not: for whoever keeps
    // count of the run besides the window.
    virtual void repetitionBegun(std::int64_t /*n*/) {}
    virtual void repetitionFinished(std::int64_t /*n*/) {}
};

// How a long run ended: every repetition asked for done, or stopped at a check.
enum class RunEnd { Complete, Stopped };

// The shape every long run shares (sequence run, H diagram, test prints): one event pass per
// repetition, the stop flag, the repetition begun and the repetition finished, compared with
// the repeat count read afresh. Counters are 64-bit, so long and endless runs never wrap; a
// count that is never met (0, or one already passed) runs until stopped.
class RepeatRun {
public:
    // Starting a run clears the stop flag.
    RepeatRun(link::PrinterChannel& channel, SharedState& state, RunPanel& panel);

    // Lets the window handle its pending events once ("Stop", status replies, edits).
    void letEventsIn() { m_channel.letEventsIn(); }
    bool stopRequested() const { return m_state.StopRequested == 1; }

    // Raises the begun count; `show` writes it into "Repeated".
    void begin(bool show = true);
    // Raises the finished count.
    void finish() { m_panel.repetitionFinished(++m_finished); }
    // True when the finished count equals the repeat count as it reads now.
    bool countReached() const { return m_panel.repeatCount() == m_finished; }

    std::int64_t begun() const { return m_begun; }

private:
    link::PrinterChannel& m_channel;
    SharedState& m_state;
    RunPanel& m_panel;
    std::int64_t m_begun = 0;
    std::int64_t m_finished = 0;
};

}  // namespace printbench::commands
