#pragma once

#include "window/WindowFields.h"

#include <cstddef>
#include <span>
#include <string_view>
#include <utility>

namespace printbench::window {

enum class ControlKind { MultiLineText, Label, DropDownList, Text, ReadOnlyText, CheckBox, Button, ListBox };

// A caption as a control table writes it: the text is the source text of the caption's
// translations, which the translation tool finds by this mark; `window` names the window.
#define CAPTION(window, text) text

// The controls of each window by name and kind, in the order of its table (the tab order): the
// one list the ids, the names, the kinds and the widgets of the Qt windows are made from.
// clang-format off
#define PRINTBENCH_MAIN_CONTROLS(X)                                                                        \
    X(Text1, MultiLineText) X(Label5, Label) X(Combo4, DropDownList) X(Combo2, DropDownList)                \
    X(Combo1, DropDownList) X(Label4, Label) X(Text6, ReadOnlyText) X(Label9, Label) X(Check2, CheckBox)   \
    X(Label12, Label) X(Combo3, DropDownList) X(Command5, Button) X(Label1, Label) X(List1, ListBox)       \
    X(Label2, Label) X(List2, ListBox) X(Label3, Label) X(Text2, Text) X(Label6, Label)                    \
    X(Text4, ReadOnlyText) X(Label7, Label) X(Text5, Text) X(Label8, Label) X(Label10, Label)              \
    X(Text10, Text) X(Label11, Label) X(Command4, Button) X(Command3, Button) X(Command2, Button)           \
    X(Command6, Button) X(Command1, Button) X(Command8, Button) X(Command10, Button) X(Command11, Button)  \
    X(Command9, Button) X(Text7, Text) X(Text9, Text)
#define PRINTBENCH_BITMAP_CONTROLS(X)                                                                      \
    X(File1, ListBox) X(Drive1, DropDownList) X(Dir1, ListBox) X(List1, ListBox) X(Command1, Button)      \
    X(Label2, Label) X(Label12, Label) X(Label11, Label) X(Command2, Button) X(List2, ListBox)

// clang-format on
#define PRINTBENCH_CONTROL_ID(name, kind) name,
#define PRINTBENCH_CONTROL_NAME(name, kind) #name,
#define PRINTBENCH_CONTROL_KIND(name, kind) ControlKind::kind,
#define PRINTBENCH_FORM3_NAME(name, kind) "Form3." #name,
enum class MainControl { PRINTBENCH_MAIN_CONTROLS(PRINTBENCH_CONTROL_ID) };
enum class BitmapControl { PRINTBENCH_BITMAP_CONTROLS(PRINTBENCH_CONTROL_ID) };

namespace detail {
inline constexpr const char* kMainNames[] = {PRINTBENCH_MAIN_CONTROLS(PRINTBENCH_CONTROL_NAME)};
inline constexpr ControlKind kMainKinds[] = {PRINTBENCH_MAIN_CONTROLS(PRINTBENCH_CONTROL_KIND)};
inline constexpr const char* kBitmapNames[] = {PRINTBENCH_BITMAP_CONTROLS(PRINTBENCH_CONTROL_NAME)};
inline constexpr ControlKind kBitmapKinds[] = {PRINTBENCH_BITMAP_CONTROLS(PRINTBENCH_CONTROL_KIND)};
inline constexpr const char* kForm3Names[] = {PRINTBENCH_BITMAP_CONTROLS(PRINTBENCH_FORM3_NAME)};
}  // namespace detail
#undef PRINTBENCH_CONTROL_ID
#undef PRINTBENCH_CONTROL_NAME
#undef PRINTBENCH_CONTROL_KIND
#undef PRINTBENCH_FORM3_NAME

inline constexpr std::size_t kMainControlCount = std::size(detail::kMainNames);
inline constexpr std::size_t kBitmapControlCount = std::size(detail::kBitmapNames);

constexpr const char* controlName(MainControl c)
{
    return detail::kMainNames[static_cast<std::size_t>(c)];
}
constexpr const char* controlName(BitmapControl c)
{
    return detail::kBitmapNames[static_cast<std::size_t>(c)];
}
constexpr ControlKind kindOf(MainControl c)
{
    return detail::kMainKinds[static_cast<std::size_t>(c)];
}
constexpr ControlKind kindOf(BitmapControl c)
{
    return detail::kBitmapKinds[static_cast<std::size_t>(c)];
}

// The control each of the handlers' fields is, in its window. The bitmap window's "Print"
// (Form3Command1) is a field of the main window's Form1, which turns it off during a run.
inline constexpr std::pair<Control, MainControl> kMainFields[] = {
    {Control::Text1, MainControl::Text1},         {Control::Text2, MainControl::Text2},
    {Control::Text4, MainControl::Text4},         {Control::Text5, MainControl::Text5},
    {Control::Text6, MainControl::Text6},         {Control::Text7, MainControl::Text7},
    {Control::Text9, MainControl::Text9},         {Control::Text10, MainControl::Text10},
    {Control::Combo1, MainControl::Combo1},       {Control::Combo2, MainControl::Combo2},
    {Control::Combo3, MainControl::Combo3},       {Control::Combo4, MainControl::Combo4},
    {Control::List1, MainControl::List1},         {Control::List2, MainControl::List2},
    {Control::Check2, MainControl::Check2},       {Control::Command2, MainControl::Command2},
    {Control::Command3, MainControl::Command3},   {Control::Command8, MainControl::Command8},
    {Control::Command9, MainControl::Command9},   {Control::Command10, MainControl::Command10},
    {Control::Command11, MainControl::Command11},
};
inline constexpr std::pair<Control, BitmapControl> kBitmapFields[] = {
    {Control::Dir1, BitmapControl::Dir1},        {Control::File1, BitmapControl::File1},
    {Control::Form3List1, BitmapControl::List1}, {Control::Form3List2, BitmapControl::List2},
    {Control::Label2, BitmapControl::Label2},    {Control::Label11, BitmapControl::Label11},
    {Control::Label12, BitmapControl::Label12},  {Control::Form3Command1, BitmapControl::Command1},
};

// One visible control of a window: its name, kind, design-time caption and place in pixels at
// 96 dpi (left, top, width, height). Lists are filled and fields set by the Load handler.
struct ControlSpec {
    const char* name;
    ControlKind kind;
    const char* caption;
    int left, top, width, height;
};

// The main window: client area 628 x 400; Text7 and Text9 lie to the right of it. Rows are in
// the order of MainControl.
inline constexpr int kMainClientWidth = 628;
inline constexpr int kMainClientHeight = 400;
std::span<const ControlSpec> mainWindowControls();

// The bitmap window: client area 612 x 299; List2, Label12 and Label11 lie below it. Rows are
// in tab order, that of BitmapControl. Dir1 (the folders of the current folder) and File1 (its
// .bmp files) are lists that the window fills itself.
inline constexpr int kBitmapClientWidth = 612;
inline constexpr int kBitmapClientHeight = 299;
std::span<const ControlSpec> bitmapWindowControls();

}  // namespace printbench::window
