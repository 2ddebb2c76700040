#pragma once

#include "bitmap/BitmapConversion.h"
#include "shell/Form1.h"
#include "shell/WindowFields.h"

#include <filesystem>
#include <span>
#include <string>

namespace printbench::bitmap {

// The bitmap window's behaviour: the numbered selection of .bmp files and the logo print.
// Its fields are its own (Dir1, Form3List1, Form3List2, Label2, Label11, Label12); it sends
// through the main window's link, over the route the main window's port list selects at the
// moment of printing.
class Form3 {
public:
    // `workFolder` holds the two work files; the program's working directory by default.
    Form3(shell::Form1& main, shell::WindowFields& fields, std::filesystem::path workFolder = ".");

    void Form_Load();
    void Dir1_Change();                             // the labels follow the folder
    void File1_DblClick(const std::string& name);  // appends "n. name"
    void List1_DblClick();                          // removes the entry and all after it
    void Command2_Click();                          // "Close": empties the selection
    void Command1_Click();                          // "Print"

    // Sends the column file as page-mode bands of ESC * 33 between the fixed set-up and
    // closing bytes; nothing without a route.
    void SendLogo(const LogoGeometry& g, std::span<const std::uint8_t> columnFile);

    static constexpr const char* kRowFileName = "zq_logo.tmp";
    static constexpr const char* kColumnFileName = "zq_logo.ver";

private:
    void removeTail(int from);
    void warn(const std::string& firstLine, const std::string& name, const std::string& reason = {});

    shell::Form1& m_main;
    shell::WindowFields& m_fields;
    std::filesystem::path m_workFolder;
};

} // namespace printbench::bitmap
