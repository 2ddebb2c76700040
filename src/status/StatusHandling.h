#pragma once

#include "link/Channel.h"
#include "link/PrinterLink.h"
#include "status/StatusMeaning.h"

#include <cstdint>
#include <optional>
#include <string>

namespace printbench::status {

// Where the printer's status shows: "Status(HEX)" and the count of bytes of the last receive
// event. Implemented by the window.
class StatusView {
public:
    virtual ~StatusView() = default;
    virtual void showStatus(const std::string& text) = 0;
    virtual void showBytesWaiting(const std::string& text) = 0;
};

// A serial receive event: shows the last of the bytes waiting (earlier ones of the same event
// are dropped) and acts on a fault: DLE ENQ 2, and 300 ms to settle for the second class.
// Returns the byte's class; for a fault the caller stops whatever runs.
FaultClass ReceiveStatus(link::PrinterLink& link, StatusView& view);

// The result of a USB status read shown, or, for -1, the failure to show instead (the shown
// status is then left as it was).
std::optional<link::Failure> ShowUsbStatus(std::int32_t value, StatusView& view);

// "Status": GS a 1 and DLE EOT 2 on serial (the answer comes through the receive event), a
// status read on USB.
void AskStatus(link::PrinterChannel& channel);

// "Status Clear": DLE ENQ 2, 300 ms, ESC @, GS a 1.
void ClearStatus(link::PrinterChannel& channel);

}  // namespace printbench::status
