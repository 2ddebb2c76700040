#pragma once

#include "app/adapters/LibusbTransport.h"
#include "app/adapters/QtHost.h"
#include "app/adapters/QtSerialPort.h"
#include "app/window/MainWindow.h"
#include "link/CodePage.h"
#include "link/usb/UsbPrinterControl.h"

#include <QApplication>

namespace printbench::app {

// PrintBench as a user starts it: the Qt application, the host, the serial port, the USB
// control and the main window, with its lists filled and its fields preset. One code page
// serves both routes.
class Application {
public:
    Application(int& argc, char** argv);

    MainWindow& window() { return m_window; }

    // Shows the main window and runs until the program ends.
    int exec();

private:
    QApplication m_app;
    QtHost m_host;
    QtSerialPort m_serial;
    link::CodePage m_codePage{link::CodePage::forEnvironment()};
    LibusbTransport m_transport;
    link::usb::UsbPrinterControl m_usb{m_transport, m_codePage};
    MainWindow m_window;
};

} // namespace printbench::app
