#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace printbench::link {

// The line settings of one open of the serial port.
struct SerialSettings {
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };
    enum class FlowControl { None, XonXoff, RtsCts };

    int portNumber = 1;  // 1 to 11, "COM1" to "COM11"
    int baud = 19200;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;
    FlowControl flowControl = FlowControl::RtsCts;
    bool requestToSend = true;  // RTS asserted

    // The settings every serial open of the bench uses: the speed, no parity, 8 data bits,
    // 1 stop bit, RTS/CTS handshaking, RTS asserted. Nullopt when the speed is not a number.
    static std::optional<SerialSettings> forPort(int portNumber, std::string_view speedText);

    // "19200,n,8,1", as a classic serial control writes its settings.
    std::string text() const;
};

}  // namespace printbench::link
