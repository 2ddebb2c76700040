#pragma once

#include "link/UsbControl.h"

#include <cstddef>

namespace printbench::link {

// The USB control of a build without a USB transport: it says so honestly. Opening answers
// usb_result::Unavailable, status reads answer -1, and bytes handed to it are refused at the
// next flush point.
class NoUsbControl : public UsbControl {
public:
    std::int32_t openByModel(const std::string& model) override;
    void sendByte(std::int16_t byte) override;
    void sendText(const std::string& text) override;
    std::int32_t readStatusOldFirmware() override;
    std::int32_t readStatus() override;
    LinkStatus flush() override;

private:
    std::size_t m_pending = 0;
};

} // namespace printbench::link
