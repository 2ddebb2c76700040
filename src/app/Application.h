#pragma once

#include "app/adapters/LibusbTransport.h"
#include "app/adapters/QtHost.h"
#include "app/adapters/QtSerialPort.h"
#include "app/cockpit/CockpitWindow.h"
#include "app/i18n/Language.h"
#include "app/window/MainWindow.h"
#include "cockpit/Journal.h"
#include "cockpit/RunLogWriter.h"
#include "link/CodePage.h"
#include "link/usb/UsbPrinterControl.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <functional>
#include <memory>

namespace printbench::app {

// PrintBench as a user starts it: the Qt application, the host, the serial port, the USB
// control, the main window with its lists filled and its fields preset, and the cockpit around
// it with the journal that the window's link and runs feed. One code page serves both routes.
class Application {
public:
    // `language`: from the command line; otherwise the last session's. `usbPrinter`: makes the
    // virtual printer on an emulated USB bus (`printbench --usb-virtual-printer`), once the Qt
    // application stands and before libusb starts; it lives as long as the application. It is
    // handed in, so that only the program links the emulated bus.
    Application(int& argc, char** argv, std::optional<Language> language = std::nullopt,
                std::function<std::shared_ptr<void>()> usbPrinter = {});

    MainWindow& window() { return m_window; }
    CockpitWindow& cockpit() { return m_cockpit; }
    cockpit::Journal& journal() { return m_journal; }

    // Shows the window and runs until the program ends.
    int exec();

private:
    // The journal's wall clock and local time, from the system's.
    void setClock();
    // Runs of an earlier PrintBench that did not end: closed in the run log as interrupted, the
    // last shown in the status bar.
    void reportInterruptedRuns();
    // SIGTERM, SIGINT and SIGHUP: a run ends as "Stop" ends it and keeps its record, then the
    // program ends; without a run, as "End". A second signal ends the program at once.
    void catchSignals();
    void onSignal(int signal);

    QApplication m_app;
    bool m_languageSet;  // before any window is made
    QtHost m_host;
    QtSerialPort m_serial;
    std::shared_ptr<void> m_usbPrinter;  // before libusb starts
    link::CodePage m_codePage{link::CodePage::forEnvironment()};
    LibusbTransport m_transport;
    link::usb::UsbPrinterControl m_usb{m_transport, m_codePage};
    cockpit::Journal m_journal{m_host};  // outlives the window, whose link taps it
    std::unique_ptr<cockpit::RunLogWriter> m_runLog;
    MainWindow m_window;
    CockpitWindow m_cockpit;
    QTimer m_clock, m_runLogErrors;
    std::unique_ptr<QSocketNotifier> m_signals;
    std::int64_t m_shownPass = -1;  // the pass the status bar's line was last refreshed for
};

}  // namespace printbench::app
