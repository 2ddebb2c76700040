#include "status/Density.h"

#include "shell/Form1.h"

#include <array>

namespace printbench::status {

std::uint8_t densityByte(int index)
{
    return static_cast<std::uint8_t>(index > 4 ? index - 5 : index + 251);
}

} // namespace printbench::status

namespace printbench::shell {

// GS ( K pL pH fn m with pL = 2, pH = 0, fn = 49: select print density. Over serial the six
// fixed bytes go as text and m, which may be 128 or more, as a byte of its own.
void Form1::Density()
{
    switch (m_link.route()) {
    case link::Route::Serial: {
        m_link.SendSerialText(std::string_view("\x1D\x28\x4B\x02\x00\x31", 6));
        const std::array<std::uint8_t, 1> m{status::densityByte(m_fields.listIndex(Control::Combo3))};
        m_link.SendSerialBytes(m);
        break;
    }
    case link::Route::Usb: {
        for (const std::int16_t b : {0x1D, 0x28, 0x4B, 0x02, 0x00, 0x31}) m_link.SendUsbByte(b);
        m_link.SendUsbByte(status::densityByte(m_fields.listIndex(Control::Combo3)));
        break;
    }
    case link::Route::None:
        break;
    }
}

} // namespace printbench::shell
