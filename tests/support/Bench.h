#pragma once

#include "shell/Form1.h"
#include "support/Recorder.h"
#include "support/TempDir.h"

#include <string>

namespace printbench::testkit {

// The main window's core on a Recorder, loaded, with its start-up lines cleared. COM1 to
// COM11 resolve to eleven fake host devices unless a test links its own.
struct Bench {
    Recorder rec;
    TempDir ports;
    shell::Form1 form{rec, rec, rec.serial, rec.usb, ports.path()};

    Bench()
    {
        for (int i = 0; i < 11; ++i) rec.serial.hostDeviceList.push_back("/dev/ttyS" + std::to_string(i));
        form.Form_Load();
        rec.timeline.clear();
    }

    // The user chooses an entry of a list: its Click handler runs.
    void choose(shell::Control list, int index) { form.setListIndex(list, index); }
    // The user types a whole new text into a field: its Change handler runs.
    void type(shell::Control field, const std::string& text) { form.setText(field, text); }
};

} // namespace printbench::testkit
