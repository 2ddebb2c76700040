#pragma once

#include "printer/app/PrinterPort.h"

#include <filesystem>
#include <string>

namespace printbench::printer {

// The printer's end of a serial line: a pseudo-terminal in raw mode whose other end is linked
// as COM<n> in PrintBench's port folder. The link goes again when this object does, unless
// something else has taken its name meanwhile.
class PseudoTerminal : public PrinterPort {
public:
    // Throws std::runtime_error with a message for the user when the terminal cannot be made
    // or COM<n> already leads to a device that is there.
    PseudoTerminal(const std::filesystem::path& portFolder, int comNumber);
    ~PseudoTerminal() override;
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int fd() const override { return m_master; }
    const std::string& devicePath() const { return m_device; }
    const std::filesystem::path& linkPath() const { return m_link; }

    std::size_t receive(std::span<std::uint8_t> buffer) override;
    bool write(const void* data, std::size_t n) override;
    std::string refusal() const override { return "the line refuses it"; }
    std::string where() const override { return m_link.string() + " -> " + m_device; }

private:
    int m_master = -1;
    int m_slave = -1;  // kept open so that the line stays up while no program has the port open
    std::string m_device;
    std::filesystem::path m_link;
};

}  // namespace printbench::printer
