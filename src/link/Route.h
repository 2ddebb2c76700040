#pragma once

namespace printbench::link {

// The way to the printer, as the port list selects it.
enum class Route { None, Serial, Usb };

// Port list index -> route: 1 to 11 serial ("COM1" to "COM11"), 12 USB, anything else none.
constexpr Route routeForPortIndex(int portIndex)
{
    if (portIndex >= 1 && portIndex < 12) return Route::Serial;
    if (portIndex == 12) return Route::Usb;
    return Route::None;
}

}  // namespace printbench::link
