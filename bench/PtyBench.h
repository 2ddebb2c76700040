#pragma once

// What the pseudo-terminal benchmarks share: the main window's handlers on QtSerialPort, COM3
// a link to a pseudo-terminal whose far side the benchmark plays, real sleeps and event passes,
// and the window's fields in memory, written down nowhere.

#include "app/adapters/QtSerialPort.h"
#include "support/PrinterPeer.h"
#include "support/Pty.h"
#include "support/Recorder.h"
#include "window/Form1.h"

#include <cstdio>
#include <filesystem>
#include <memory>

namespace printbench::bench {

struct PtyBench {
    testkit::Pty pty;
    testkit::TempDir ports;
    testkit::QuietHost host;
    testkit::Recorder fields;
    app::QtSerialPort port;
    const link::CodePage codePage{link::CodePage::forEnvironment()};

    PtyBench()
    {
        std::filesystem::create_symlink(pty.slavePath(), ports.path() / "COM3");
        fields.recording = false;
    }

    // The handlers, loaded, sending through `serial` (the port itself, or something around it).
    std::unique_ptr<window::Form1> load(link::SerialPort& serial)
    {
        auto form = std::make_unique<window::Form1>(host, fields, serial, fields.usb, codePage, ports.path());
        form->Form_Load();
        return form;
    }

    // A message box would have stopped the measurement (an open that failed, a lost line): the
    // messages kept instead are shown here. True when there were none.
    bool noMessages() const
    {
        for (const std::string& text : host.messages) std::fprintf(stderr, "message: %s\n", text.c_str());
        return host.messages.empty();
    }
};

} // namespace printbench::bench
