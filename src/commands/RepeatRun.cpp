#include "commands/RepeatRun.h"

namespace printbench::commands {

RepeatRun::RepeatRun(link::PrinterChannel& channel, SharedState& state, RunPanel& panel)
    : m_channel(channel), m_state(state), m_panel(panel)
{
    m_state.StopRequested = 0;
}

void RepeatRun::begin(bool show)
{
    ++m_begun;
    m_panel.repetitionBegun(m_begun);
    if (show) m_panel.showRepetition(m_begun);
}

}  // namespace printbench::commands
