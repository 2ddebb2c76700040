#pragma once

#include "printer/Decoder.h"
#include "printer/VirtualPrinter.h"
#include "printer/app/QtPrinterOutput.h"
#include "printer/usb/EmulatedUsbPrinter.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace printbench::app {

// The virtual printer of a model on an emulated USB bus, inside this process: choosing "USB"
// finds it through the real libusb, as it would a printer on the desk. What arrives on its bulk
// OUT is decoded and printed into PNG receipts; its status bytes and identity answers (GS I)
// go back on bulk IN in the order it gives them. It needs umockdev's preload;
// `--usb-virtual-printer` starts the program under umockdev-wrapper.
class UsbVirtualPrinter : private printer::PrinterOutput {
public:
    // Throws std::runtime_error with a message for the user: no preload, an unknown model.
    UsbVirtualPrinter(const std::string& model, const std::filesystem::path& receipts);
    ~UsbVirtualPrinter() override;
    UsbVirtualPrinter(const UsbVirtualPrinter&) = delete;
    UsbVirtualPrinter& operator=(const UsbVirtualPrinter&) = delete;

    // Sets a condition, as typing one does for printbench-printer.
    void setStatus(std::uint8_t status);

    // "--usb-virtual-printer MODEL" among the arguments: the model, or nullopt. "" when the
    // option has no model after it.
    static std::optional<std::string> modelArgument(int argc, char** argv);
    // Runs the program again under umockdev-wrapper when the preload is missing; returns only
    // when it could not (the message says why).
    static std::string restartUnderPreload(char** argv);

private:
    void reply(std::uint8_t status) override;
    void page(const printer::Page& page) override;
    void received(std::vector<std::uint8_t> bytes);

    printer::UsbTestbed m_bed;
    std::unique_ptr<printer::EmulatedUsbPrinter> m_usb;
    printer::QtGlyphs m_font;
    printer::PngFolder m_receipts;
    printer::VirtualPrinter m_printer;
    printer::Decoder m_decoder;
    std::mutex m_mutex;  // the printer is fed on umockdev's thread
};

}  // namespace printbench::app
