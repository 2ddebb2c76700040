#include "app/usb/UsbVirtualPrinter.h"

#include "protocol/Models.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <unistd.h>

namespace printbench::app {

namespace {

int widthOf(const std::string& model)
{
    const auto width = protocol::modelPrintWidth(model);
    if (!width) throw std::runtime_error("--usb-virtual-printer: unknown model \"" + model + "\"");
    return *width;
}

}  // namespace

UsbVirtualPrinter::UsbVirtualPrinter(const std::string& model, const std::filesystem::path& receipts)
    : m_receipts(
          receipts,
          [](const std::string& note) { std::fprintf(stderr, "# USB virtual printer: receipt %s\n", note.c_str()); }),
      m_printer(widthOf(model), *this, &m_font, {.model = model})
{
    if (!printer::UsbTestbed::preloaded())
        throw std::runtime_error(
            "--usb-virtual-printer needs umockdev's preload: start PrintBench under umockdev-wrapper");
    printer::EmulatedUsbPrinter::Setup setup;
    setup.deviceId = "MFG:PrintBench;MDL:" + model + ";CMD:ESC/POS;SN:" + m_printer.identity().serial + ";";
    setup.product = "PrintBench virtual printer";
    m_usb = std::make_unique<printer::EmulatedUsbPrinter>(m_bed, setup);
    // Printed as it arrives, on umockdev's thread, so that a status request is answered while
    // the program waits for the answer.
    m_usb->setReceiver([this](std::vector<std::uint8_t> bytes) { received(std::move(bytes)); });
}

UsbVirtualPrinter::~UsbVirtualPrinter()
{
    m_usb->setReceiver({});
    const std::lock_guard lock(m_mutex);
    m_decoder.finish(m_printer);
    m_printer.finish();
}

void UsbVirtualPrinter::setStatus(std::uint8_t status)
{
    const std::lock_guard lock(m_mutex);
    m_printer.setStatus(status);
}

void UsbVirtualPrinter::received(std::vector<std::uint8_t> bytes)
{
    const std::lock_guard lock(m_mutex);
    m_decoder.feed(bytes, m_printer);
}

void UsbVirtualPrinter::reply(std::uint8_t status)
{
    m_usb->send({status});
}

void UsbVirtualPrinter::page(const printer::Page& page)
{
    m_receipts.write(page);
}

std::optional<std::string> UsbVirtualPrinter::modelArgument(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--usb-virtual-printer") == 0) return i + 1 < argc ? argv[i + 1] : "";
    return std::nullopt;
}

std::string UsbVirtualPrinter::restartUnderPreload(char** argv)
{
    if (getenv("PRINTBENCH_UNDER_UMOCKDEV")) return "umockdev's preload did not take";
    setenv("PRINTBENCH_UNDER_UMOCKDEV", "1", 1);
    std::vector<char*> args{const_cast<char*>("umockdev-wrapper")};
    for (char** a = argv; *a; ++a) args.push_back(*a);
    args.push_back(nullptr);
    execvp(args[0], args.data());
    return std::string("umockdev-wrapper could not be started: ") + std::strerror(errno) +
           " (Debian package: umockdev)";
}

}  // namespace printbench::app
