#pragma once

#include "link/PrinterLink.h"
#include "support/Recorder.h"
#include "window/Form1.h"

namespace printbench::testkit {

// COM1 to COM11 resolve to eleven host devices, /dev/ttyS0 to /dev/ttyS10.
inline void elevenHostDevices(Recorder& rec)
{
    for (int i = 0; i < 11; ++i) rec.serial.hostDeviceList.push_back("/dev/ttyS" + std::to_string(i));
}

// What the rig and the bench stand on: a recorder with eleven host devices, the code page and
// the folder of the port links.
struct Ground {
    Recorder rec;
    link::CodePage codePage{"CP949"};
    TempDir ports;
    Ground() { elevenHostDevices(rec); }
};

// A link on a recorder, for driving the subsystems directly: the recorder is the link's events,
// the status read-out and a run's panel. The shared state starts with the width 432.
struct Rig : Ground {
    link::PrinterLink link{rec.serial, rec.usb, rec, codePage, rec, ports.path()};
    commands::SharedState state{0, 432};

    // COM3 open, or USB chosen with every status read answering 0x12; the timeline cleared.
    link::PrinterChannel& route(bool usb)
    {
        link.selectPort(usb ? 12 : 3);
        if (usb) rec.usb.statusResults.assign(1000, 0x12);
        else link.openSerial(*link::SerialSettings::forPort(3, "19200"));
        rec.timeline.clear();
        return link.channel(usb ? link::Route::Usb : link::Route::Serial);
    }
    link::PrinterChannel& serial() { return route(false); }
    link::PrinterChannel& usb() { return route(true); }
};

// The main window's handlers on a recorder, loaded, with their start-up lines cleared.
struct Bench : Ground {
    window::Form1 form{rec, rec, rec.serial, rec.usb, codePage, ports.path()};

    Bench()
    {
        form.Form_Load();
        rec.timeline.clear();
    }
    // The user chooses a list's entry, types a field's text, or double-clicks a catalogue entry
    // (by its text): the handler runs.
    void choose(window::Control list, int index) { form.setListIndex(list, index); }
    void type(window::Control field, const std::string& text) { form.setText(field, text); }
    void add(const std::string& entry)
    {
        for (int i = 0; i < rec.listCount(window::Control::List1); ++i)
            if (rec.listItem(window::Control::List1, i) == entry) rec.setListIndex(window::Control::List1, i);
        form.List1_DblClick();
    }
    // COM3, or USB with every status read answering 0x12, chosen; the timeline cleared.
    void route(bool usb)
    {
        if (usb) rec.usb.statusResults.assign(1000, 0x12);
        choose(window::Control::Combo2, usb ? 12 : 3);
        rec.timeline.clear();
    }
    void serial() { route(false); }
    void usb() { route(true); }
};

} // namespace printbench::testkit
