#pragma once

#include "window/Form1.h"
#include "window/WindowFields.h"

#include <filesystem>
#include <string>

namespace printbench::window {

// The bitmap window's event handlers: the numbered selection of .bmp files and "Print". Its
// fields are its own (Dir1, Form3List1, Form3List2, Label2, Label11, Label12); it prints
// through the main window's link, over the route the main window's port list selects at the
// moment of printing.
class Form3 {
public:
    // `workFolder` holds the two work files; the program's working directory by default.
    Form3(Form1& main, WindowFields& fields, std::filesystem::path workFolder = ".");

    void Form_Load();
    void Dir1_Change();                            // the labels follow the folder
    void File1_DblClick(const std::string& name);  // appends "n. name"
    void List1_DblClick();                         // removes the entry and all after it
    void Command2_Click();                         // "Close": empties the selection
    void Command1_Click();                         // "Print"

private:
    void removeTail(int from);

    Form1& m_main;
    WindowFields& m_fields;
    std::filesystem::path m_workFolder;
};

}  // namespace printbench::window
