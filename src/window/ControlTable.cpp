#include "window/ControlTable.h"

#include "window/WindowFields.h"

#include <array>

namespace printbench::window {

namespace {

using K = ControlKind;

constexpr std::array kMainControls{
    ControlSpec{"Text1", K::MultiLineText, "", 16, 32, 305, 105},
    ControlSpec{"Label5", K::Label, CAPTION("Form1", "Connection Setting"), 328, 24, 129, 17},
    ControlSpec{"Combo4", K::DropDownList, "", 328, 48, 81, 20},
    ControlSpec{"Combo2", K::DropDownList, "", 416, 48, 97, 20},
    ControlSpec{"Combo1", K::DropDownList, "", 520, 48, 97, 20},
    ControlSpec{"Label4", K::Label, CAPTION("Form1", "Status(HEX)"), 328, 72, 81, 17},
    ControlSpec{"Text6", K::ReadOnlyText, "", 328, 88, 81, 25},
    ControlSpec{"Label9", K::Label, CAPTION("Form1", "Firmware Ver"), 416, 72, 89, 17},
    ControlSpec{"Check2", K::CheckBox, CAPTION("Form1", "Old ver"), 416, 88, 89, 25},
    ControlSpec{"Label12", K::Label, CAPTION("Form1", "Density"), 520, 72, 57, 17},
    ControlSpec{"Combo3", K::DropDownList, "", 520, 88, 73, 20},
    ControlSpec{"Command5", K::Button, CAPTION("Form1", "Status"), 328, 120, 81, 25},
    ControlSpec{"Label1", K::Label, CAPTION("Form1", "Command List"), 16, 152, 97, 17},
    ControlSpec{"List1", K::ListBox, "", 16, 176, 145, 124},
    ControlSpec{"Label2", K::Label, CAPTION("Form1", "Selected Command List"), 176, 152, 137, 17},
    ControlSpec{"List2", K::ListBox, "", 176, 176, 145, 124},
    ControlSpec{"Label3", K::Label, CAPTION("Form1", "Repeat Rating"), 328, 152, 81, 17},
    ControlSpec{"Text2", K::Text, "", 328, 176, 81, 25},
    ControlSpec{"Label6", K::Label, CAPTION("Form1", "Repeated"), 416, 152, 65, 17},
    ControlSpec{"Text4", K::ReadOnlyText, "", 416, 176, 73, 25},
    ControlSpec{"Label7", K::Label, CAPTION("Form1", "Delay"), 488, 152, 105, 17},
    ControlSpec{"Text5", K::Text, "", 496, 176, 65, 25},
    ControlSpec{"Label8", K::Label, CAPTION("Form1", "ms"), 568, 184, 25, 17},
    ControlSpec{"Label10", K::Label, CAPTION("Form1", "Feed (Max 760)"), 328, 208, 145, 17},
    ControlSpec{"Text10", K::Text, "", 328, 224, 57, 25},
    ControlSpec{"Label11", K::Label, CAPTION("Form1", "dot"), 384, 232, 49, 17},
    ControlSpec{"Command4", K::Button, CAPTION("Form1", "Status Clear"), 376, 272, 129, 33},
    ControlSpec{"Command3", K::Button, CAPTION("Form1", "Bitmap Image"), 376, 312, 129, 33},
    ControlSpec{"Command2", K::Button, CAPTION("Form1", "Run"), 512, 272, 97, 33},
    ControlSpec{"Command6", K::Button, CAPTION("Form1", "Stop"), 512, 312, 97, 33},
    ControlSpec{"Command1", K::Button, CAPTION("Form1", "End"), 512, 352, 97, 33},
    ControlSpec{"Command8", K::Button, CAPTION("Form1", "H Diagram"), 16, 304, 73, 41},
    ControlSpec{"Command10", K::Button, CAPTION("Form1", "비트패턴"), 96, 304, 73, 41},
    ControlSpec{"Command11", K::Button, CAPTION("Form1", "Tile"), 176, 304, 73, 41},
    ControlSpec{"Command9", K::Button, CAPTION("Form1", "Test Pattern"), 256, 304, 73, 41},
    // Outside the visible area: written, not normally seen.
    ControlSpec{"Text7", K::Text, "Text7", 648, 248, 97, 33},
    ControlSpec{"Text9", K::Text, "", 632, 136, 49, 49},
};

constexpr std::array kBitmapControls{
    ControlSpec{"File1", K::ListBox, "", 240, 16, 177, 150},
    ControlSpec{"Drive1", K::DropDownList, "", 8, 184, 217, 20},
    ControlSpec{"Dir1", K::ListBox, "", 8, 16, 217, 160},
    ControlSpec{"List1", K::ListBox, "", 240, 176, 177, 52},
    ControlSpec{"Command1", K::Button, CAPTION("Form3", "Print"), 416, 256, 89, 25},
    ControlSpec{"Label2", K::Label, "", 432, 24, 169, 209},
    ControlSpec{"Label12", K::Label, "Label1", 104, 328, 209, 41},
    ControlSpec{"Label11", K::Label, "Label3", 344, 328, 233, 41},
    ControlSpec{"Command2", K::Button, CAPTION("Form3", "Close"), 520, 256, 81, 25},
    ControlSpec{"List2", K::ListBox, "", 8, 304, 65, 16},
};

} // namespace

std::span<const ControlSpec> mainWindowControls()
{
    return kMainControls;
}

std::span<const ControlSpec> bitmapWindowControls()
{
    return kBitmapControls;
}

const char* controlName(Control c)
{
    switch (c) {
    case Control::Text1: return "Text1";
    case Control::Text2: return "Text2";
    case Control::Text4: return "Text4";
    case Control::Text5: return "Text5";
    case Control::Text6: return "Text6";
    case Control::Text7: return "Text7";
    case Control::Text9: return "Text9";
    case Control::Text10: return "Text10";
    case Control::Combo1: return "Combo1";
    case Control::Combo2: return "Combo2";
    case Control::Combo3: return "Combo3";
    case Control::Combo4: return "Combo4";
    case Control::List1: return "List1";
    case Control::List2: return "List2";
    case Control::Check2: return "Check2";
    case Control::Command2: return "Command2";
    case Control::Command3: return "Command3";
    case Control::Command8: return "Command8";
    case Control::Command9: return "Command9";
    case Control::Command10: return "Command10";
    case Control::Command11: return "Command11";
    case Control::Dir1: return "Dir1";
    case Control::File1: return "File1";
    case Control::Form3List1: return "Form3.List1";
    case Control::Form3List2: return "Form3.List2";
    case Control::Label2: return "Label2";
    case Control::Label11: return "Label11";
    case Control::Label12: return "Label12";
    case Control::Form3Command1: return "Form3.Command1";
    }
    return "?";
}

} // namespace printbench::window
