#pragma once

#include "link/NoUsbControl.h"
#include "link/QtSerialPort.h"
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
    link::NoUsbControl m_usb;
    MainWindow m_window;
};

} // namespace printbench::shell
