#pragma once

#include <span>

namespace printbench::window {

enum class ControlKind { MultiLineText, Label, DropDownList, Text, ReadOnlyText, CheckBox, Button, ListBox };

// A caption as a control table writes it: the text is the source text of the caption's
// translations, which the translation tool finds by this mark; `window` names the window.
#define CAPTION(window, text) text

// One visible control of a window: its name, kind, design-time caption and place in pixels at
// 96 dpi (left, top, width, height). Lists are filled and fields set by the Load handler.
struct ControlSpec {
    const char* name;
    ControlKind kind;
    const char* caption;
    int left, top, width, height;
};

// The main window: client area 628 x 400; Text7 and Text9 lie to the right of it.
inline constexpr int kMainClientWidth = 628;
inline constexpr int kMainClientHeight = 400;
std::span<const ControlSpec> mainWindowControls();

// The bitmap window: client area 612 x 299; List2, Label12 and Label11 lie below it. Rows are
// in tab order. Dir1 (the folders of the current folder) and File1 (its .bmp files) are lists
// that the window fills itself.
inline constexpr int kBitmapClientWidth = 612;
inline constexpr int kBitmapClientHeight = 299;
std::span<const ControlSpec> bitmapWindowControls();

} // namespace printbench::window
