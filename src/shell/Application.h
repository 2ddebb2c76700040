#pragma once

#include "link/CodePage.h"
#include "link/QtSerialPort.h"
#include "link/usb/LibusbTransport.h"
#include "link/usb/UsbPrinterControl.h"
#include "shell/MainWindow.h"
#include "shell/QtHost.h"

#include <QApplication>

namespace printbench::shell {

// PrintBench as a user starts it: the Qt application, the host, the serial port, the USB
// control and the main window, with its lists filled and its fields preset.
class Application {
public:
    Application(int& argc, char** argv);

    MainWindow& window() { return m_window; }

    // Shows the main window and runs until the program ends.
    int exec();

private:
    QApplication m_app;
    QtHost m_host;
    link::QtSerialPort m_serial;
    link::CodePage m_codePage{link::CodePage::forEnvironment()};
    link::usb::LibusbTransport m_transport;
    link::usb::UsbPrinterControl m_usb{m_transport, m_codePage};
    MainWindow m_window;
};

} // namespace printbench::shell
