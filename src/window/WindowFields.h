#pragma once

#include "window/Messages.h"

#include <cstddef>
#include <string>

namespace printbench::window {

// The main window's controls that handlers read or write. Names are those of the window.
enum class Control {
    Text1,
    Text2,
    Text4,
    Text5,
    Text6,
    Text7,
    Text9,
    Text10,
    Combo1,
    Combo2,
    Combo3,
    Combo4,
    List1,
    List2,
    Check2,
    // The buttons that start a run, an H diagram, a test print or the bitmap window.
    Command2,
    Command3,
    Command8,
    Command9,
    Command10,
    Command11,
    // The bitmap window: its folder list (text: the folder's path), file list, the numbered
    // selection and the hidden list of bare names, and its labels.
    Dir1,
    File1,
    Form3List1,
    Form3List2,
    Label2,
    Label11,
    Label12,
    Form3Command1,  // "Print"
};
inline constexpr std::size_t kControlCount = static_cast<std::size_t>(Control::Form3Command1) +
                                             1;  // the last one above

const char* controlName(Control c);

// Reads and writes of the window's fields, at the moment a handler needs them. Setting a value
// here runs no handler: the core runs the Click or Change handler itself where the window's
// rules say it runs (see Form1::setText and Form1::setListIndex).
// Text is UTF-8. List indices count from 0; -1 means no entry is selected.
class WindowFields {
public:
    virtual ~WindowFields() = default;

    virtual std::string text(Control c) const = 0;
    virtual void setText(Control c, const std::string& text) = 0;
    // A label's text given as a message: shown in the window's language, and again in the next
    // when it changes. The program's own text is what setText would have set.
    virtual void setMessage(Control c, const Message& message) { setText(c, message.text()); }

    virtual int listCount(Control c) const = 0;
    virtual std::string listItem(Control c, int index) const = 0;
    virtual void addListItem(Control c, const std::string& item) = 0;
    virtual void removeListItem(Control c, int index) = 0;
    virtual int listIndex(Control c) const = 0;
    virtual void setListIndex(Control c, int index) = 0;

    virtual bool checked(Control c) const = 0;
    virtual void setChecked(Control c, bool on) = 0;
    virtual void setEnabled(Control c, bool enabled) = 0;
    virtual bool isEnabled(Control c) const = 0;

    // Text of the selected entry of a list, empty when none is selected.
    std::string listText(Control c) const
    {
        const int i = listIndex(c);
        return i >= 0 && i < listCount(c) ? listItem(c, i) : std::string();
    }
};

}  // namespace printbench::window
