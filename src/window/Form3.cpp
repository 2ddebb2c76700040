#include "window/Form3.h"

#include "bitmap/LogoPrint.h"

namespace printbench::window {

using link::PrinterLink;

Form3::Form3(Form1& main, WindowFields& fields, std::filesystem::path workFolder)
    : m_main(main), m_fields(fields), m_workFolder(std::move(workFolder))
{}

void Form3::Form_Load()
{
    m_fields.setText(Control::Label2, "If you double-click on that file can be selected or deselected. If you want to "
                                      "disable the file, all the files under it is turned off.\r\n");
    Dir1_Change();
}

void Form3::Dir1_Change()
{
    const std::string folder = m_fields.text(Control::Dir1);
    m_fields.setMessage(Control::Label11, {forms::Location, {folder}});
    m_fields.setText(Control::Label12, folder);
}

void Form3::File1_DblClick(const std::string& name)
{
    m_fields.addListItem(Control::Form3List1,
                         std::to_string(m_fields.listCount(Control::Form3List1) + 1) + ". " + name);
    m_fields.addListItem(Control::Form3List2, name);
}

void Form3::removeTail(int from)
{
    for (int c = m_fields.listCount(Control::Form3List1) - from; c > 0; --c) {
        m_fields.removeListItem(Control::Form3List1, from);
        m_fields.removeListItem(Control::Form3List2, from);
    }
}

void Form3::List1_DblClick()
{
    const int i = m_fields.listIndex(Control::Form3List1);
    if (i >= 0) removeTail(i);
}

void Form3::Command2_Click()
{
    removeTail(0);
}

void Form3::Command1_Click()
{
    PrinterLink& link = m_main.link();
    const PrinterLink::HandlerScope scope(link);
    if (m_fields.listCount(Control::Form3List2) == 0) {
        m_main.MsgBox(Icon::Warning, forms::NoFileSelected);
        return;
    }
    if (m_main.running()) return;
    const std::string name = m_fields.listItem(Control::Form3List2, 0);
    bitmap::LogoPrintResult printed;
    {
        Form1::Run run(m_main, run::Action::Logo, name);
        m_main.observer().passBegun(1, 1);
        printed = bitmap::PrintLogo(m_fields.text(Control::Label12), name, m_workFolder, link.channel(link.route()));
        link.flush();
        if (printed.failure) {
            m_main.observer().stopFailed(*printed.failure);
        } else if (!link.failedInHandler()) {
            m_main.observer().passFinished(1);
            run.ended(true);
        }
    }
    if (printed.failure) {
        const bool refused = printed.failure->kind != link::FailureKind::WorkFileFailed;
        return m_main.MsgBox(refused ? Icon::Warning : Icon::Critical, failureMessage(*printed.failure));
    }
    link.flush();
    // A print whose bytes did not reach the printer has been reported; it is not complete.
    if (link.failedInHandler()) return;
    m_main.MsgBox(Icon::None, forms::LogoSent);
}

}  // namespace printbench::window
