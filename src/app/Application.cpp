#include "app/Application.h"

#include "app/window/AppIcon.h"

namespace printbench::app {

Application::Application(int& argc, char** argv)
    : m_app(argc, argv), m_host(QStringLiteral("PrintBench")), m_window(m_host, m_serial, m_usb, m_codePage)
{
    QApplication::setApplicationName(QStringLiteral("PrintBench"));
    QApplication::setWindowIcon(appIcon());
    m_host.setWindow(&m_window);
}

int Application::exec()
{
    m_window.show();
    return QApplication::exec();
}

} // namespace printbench::app
