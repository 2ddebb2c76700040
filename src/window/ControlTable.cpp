#include "window/ControlTable.h"

#include <algorithm>
#include <array>

namespace printbench::window {

namespace {

// A row of a table: the name and kind come from the control's id.
template <typename Id>
constexpr ControlSpec row(Id id, const char* caption, int left, int top, int width, int height)
{
    return {controlName(id), kindOf(id), caption, left, top, width, height};
}

// Row i of a table is the control whose id is i, and every control has its row.
template <typename Id, std::size_t N>
constexpr bool inIdOrder(const std::array<ControlSpec, N>& rows, std::size_t count)
{
    for (std::size_t i = 0; i < N; ++i)
        if (std::string_view(rows[i].name) != controlName(static_cast<Id>(i))) return false;
    return N == count;
}

// Each field of the handlers lies in one window, once.
constexpr bool everyFieldOnce()
{
    std::array<int, kControlCount> seen{};
    for (const auto& [field, id] : kMainFields) ++seen[static_cast<std::size_t>(field)];
    for (const auto& [field, id] : kBitmapFields) ++seen[static_cast<std::size_t>(field)];
    return std::ranges::all_of(seen, [](int n) { return n == 1; });
}
static_assert(everyFieldOnce());

constexpr std::array kMainControls{
    row(MainControl::Text1, "", 16, 32, 305, 105),
    row(MainControl::Label5, CAPTION("Form1", "Connection Setting"), 328, 24, 129, 17),
    row(MainControl::Combo4, "", 328, 48, 81, 20),
    row(MainControl::Combo2, "", 416, 48, 97, 20),
    row(MainControl::Combo1, "", 520, 48, 97, 20),
    row(MainControl::Label4, CAPTION("Form1", "Status(HEX)"), 328, 72, 81, 17),
    row(MainControl::Text6, "", 328, 88, 81, 25),
    row(MainControl::Label9, CAPTION("Form1", "Firmware Ver"), 416, 72, 89, 17),
    row(MainControl::Check2, CAPTION("Form1", "Old ver"), 416, 88, 89, 25),
    row(MainControl::Label12, CAPTION("Form1", "Density"), 520, 72, 57, 17),
    row(MainControl::Combo3, "", 520, 88, 73, 20),
    row(MainControl::Command5, CAPTION("Form1", "Status"), 328, 120, 81, 25),
    row(MainControl::Label1, CAPTION("Form1", "Command List"), 16, 152, 97, 17),
    row(MainControl::List1, "", 16, 176, 145, 124),
    row(MainControl::Label2, CAPTION("Form1", "Selected Command List"), 176, 152, 137, 17),
    row(MainControl::List2, "", 176, 176, 145, 124),
    row(MainControl::Label3, CAPTION("Form1", "Repeat Rating"), 328, 152, 81, 17),
    row(MainControl::Text2, "", 328, 176, 81, 25),
    row(MainControl::Label6, CAPTION("Form1", "Repeated"), 416, 152, 65, 17),
    row(MainControl::Text4, "", 416, 176, 73, 25),
    row(MainControl::Label7, CAPTION("Form1", "Delay"), 488, 152, 105, 17),
    row(MainControl::Text5, "", 496, 176, 65, 25),
    row(MainControl::Label8, CAPTION("Form1", "ms"), 568, 184, 25, 17),
    row(MainControl::Label10, CAPTION("Form1", "Feed (Max 760)"), 328, 208, 145, 17),
    row(MainControl::Text10, "", 328, 224, 57, 25),
    row(MainControl::Label11, CAPTION("Form1", "dot"), 384, 232, 49, 17),
    row(MainControl::Command4, CAPTION("Form1", "Status Clear"), 376, 272, 129, 33),
    row(MainControl::Command3, CAPTION("Form1", "Bitmap Image"), 376, 312, 129, 33),
    row(MainControl::Command2, CAPTION("Form1", "Run"), 512, 272, 97, 33),
    row(MainControl::Command6, CAPTION("Form1", "Stop"), 512, 312, 97, 33),
    row(MainControl::Command1, CAPTION("Form1", "End"), 512, 352, 97, 33),
    row(MainControl::Command8, CAPTION("Form1", "H Diagram"), 16, 304, 73, 41),
    row(MainControl::Command10, CAPTION("Form1", "비트패턴"), 96, 304, 73, 41),
    row(MainControl::Command11, CAPTION("Form1", "Tile"), 176, 304, 73, 41),
    row(MainControl::Command9, CAPTION("Form1", "Test Pattern"), 256, 304, 73, 41),
    // Outside the visible area: written, not normally seen.
    row(MainControl::Text7, "Text7", 648, 248, 97, 33),
    row(MainControl::Text9, "", 632, 136, 49, 49),
};

constexpr std::array kBitmapControls{
    row(BitmapControl::File1, "", 240, 16, 177, 150),
    row(BitmapControl::Drive1, "", 8, 184, 217, 20),
    row(BitmapControl::Dir1, "", 8, 16, 217, 160),
    row(BitmapControl::List1, "", 240, 176, 177, 52),
    row(BitmapControl::Command1, CAPTION("Form3", "Print"), 416, 256, 89, 25),
    row(BitmapControl::Label2, "", 432, 24, 169, 209),
    row(BitmapControl::Label12, "Label1", 104, 328, 209, 41),
    row(BitmapControl::Label11, "Label3", 344, 328, 233, 41),
    row(BitmapControl::Command2, CAPTION("Form3", "Close"), 520, 256, 81, 25),
    row(BitmapControl::List2, "", 8, 304, 65, 16),
};

static_assert(inIdOrder<MainControl>(kMainControls, kMainControlCount));
static_assert(inIdOrder<BitmapControl>(kBitmapControls, kBitmapControlCount));

}  // namespace

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
    for (const auto& [field, id] : kMainFields)
        if (field == c) return controlName(id);
    // A field of the bitmap window bears the window's name where the main window has a control
    // of the same name.
    for (const auto& [field, id] : kBitmapFields) {
        if (field != c) continue;
        const auto same = [name = std::string_view(controlName(id))](const char* n) { return n == name; };
        return std::ranges::any_of(detail::kMainNames, same) ? detail::kForm3Names[static_cast<std::size_t>(id)]
                                                             : controlName(id);
    }
    return "?";
}

}  // namespace printbench::window
