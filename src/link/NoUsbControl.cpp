#include "link/NoUsbControl.h"

namespace printbench::link {

std::int32_t NoUsbControl::openByModel(const std::string&)
{
    return usb_result::Unavailable;
}

void NoUsbControl::sendByte(std::int16_t)
{
    ++m_pending;
}

void NoUsbControl::sendText(const std::string& text)
{
    m_pending += text.size();
}

std::int32_t NoUsbControl::readStatusOldFirmware()
{
    return -1;
}

std::int32_t NoUsbControl::readStatus()
{
    return -1;
}

LinkStatus NoUsbControl::flush()
{
    if (m_pending == 0) return LinkStatus::ok();
    const std::size_t lost = m_pending;
    m_pending = 0;
    return LinkStatus::fail(LinkFailure::NotConnected,
                            "No USB printer is reachable from this build; " + std::to_string(lost) +
                                " bytes were not sent.");
}

} // namespace printbench::link
