#include "shell/RepeatRun.h"

#include "shell/Form1.h"

#include <string>

namespace printbench::shell {

RepeatRun::RepeatRun(Form1& form) : m_form(form)
{
    m_form.state().StopRequested = 0;
}

void RepeatRun::letEventsIn()
{
    m_form.DoEvents();
}

bool RepeatRun::stopRequested() const
{
    return m_form.state().StopRequested == 1;
}

void RepeatRun::begin(bool show)
{
    ++m_begun;
    if (show) m_form.setText(Control::Text4, std::to_string(m_begun));
}

bool RepeatRun::countReached() const
{
    return m_form.repeatCount() == m_finished;
}

} // namespace printbench::shell
