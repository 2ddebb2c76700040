#include "link/NoUsbControl.h"
#include "link/QtSerialPort.h"
#include "shell/AppIcon.h"
#include "shell/MainWindow.h"
#include "shell/QtHost.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PrintBench"));
    QApplication::setWindowIcon(printbench::shell::appIcon());

    printbench::shell::QtHost host(QStringLiteral("PrintBench"));
    printbench::link::QtSerialPort serial;
    printbench::link::NoUsbControl usb;
    printbench::shell::MainWindow window(host, serial, usb);
    host.setWindow(&window);
    window.show();
    return QApplication::exec();
}
