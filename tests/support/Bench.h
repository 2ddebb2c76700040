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

    // The user double-clicks a catalogue entry, by its text.
    void add(const std::string& entry)
    {
        for (int i = 0; i < rec.listCount(shell::Control::List1); ++i) {
            if (rec.listItem(shell::Control::List1, i) == entry) rec.setListIndex(shell::Control::List1, i);
        }
        form.List1_DblClick();
    }

    // COM3 (or USB, answering status 0x12 to every read) chosen, its start-up lines cleared.
    void serial()
    {
        choose(shell::Control::Combo2, 3);
        rec.timeline.clear();
    }
    void usb()
    {
        rec.usb.statusResults = std::deque<std::int32_t>(1000, 0x12);
        choose(shell::Control::Combo2, 12);
        rec.timeline.clear();
    }
};

} // namespace printbench::testkit
