#include "link/PortNaming.h"

#include "support/Recorder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using namespace printbench::link;
using printbench::testkit::TempDir;
using printbench::testkit::writeFile;
using testing::ElementsAre;
namespace fs = std::filesystem;

TEST(PortNaming, HostDevicesUsbAdaptersFirstEachGroupByNameThenLinkFirstAndTheNthHostDevice)
{
    EXPECT_THAT(orderHostDevices({"/dev/ttyS10", "/dev/ttyS2", "/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB10",
                                  "/dev/ttyUSB1", "/dev/ttyAMA0", "/dev/ttyUSB2"}),
                ElementsAre("/dev/ttyACM0", "/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyAMA0",
                            "/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS10"));

    TempDir dir;
    fs::create_symlink("/dev/null", dir.path() / "COM2");
    fs::create_symlink("../missing-tty", dir.path() / "COM5");
    const std::string in = " (link in " + dir.path().string();
    const std::string missing = (dir.path().parent_path() / "missing-tty").lexically_normal().string();
    // Port, folder of links, device ("-" for none), description.
    const std::vector<std::tuple<int, fs::path, std::string, std::string>> table{
        {1, dir.path(), "/dev/ttyUSB0", "COM1: /dev/ttyUSB0"}, {2, dir.path(), "/dev/null", "COM2: /dev/null" + in + ")"},
        // A link that points nowhere is still the user's choice: it is named, not skipped.
        {5, dir.path(), missing, "COM5: " + missing + in + "; that device does not exist)"},
        // Without a link, COM2 is the host's second and last device.
        {2, dir.path() / "none", "/dev/ttyS0", "COM2: /dev/ttyS0"},
        {3, dir.path(), "-", "COM3: no device (no link COM3 in " + dir.path().string() +
                                 ", and the host lists 2 serial devices)"},
    };
    for (const auto& [n, folder, device, description] : table) {
        SCOPED_TRACE(folder / ("COM" + std::to_string(n)));
        const PortTarget t = resolvePort(n, folder, {"/dev/ttyUSB0", "/dev/ttyS0"});
        EXPECT_EQ(std::pair(t.device.value_or("-"), t.description), std::pair(device, description));
    }
}

// A plain file is the address of a raw TCP printer; a link is still a link, even to such a file.
TEST(PortNaming, AFileHoldingTcpHostPortIsARawTcpPrinterAndALinkToOneStillNamesItsTarget)
{
    TempDir dir;
    for (const auto& [name, text] : {std::pair("COM1", "tcp://192.168.1.50:9101\n"), std::pair("COM2", " tcp://printer-3.lab\n"),
                                     std::pair("COM3", "tcp://[fe80::1]"), std::pair("COM4", "lpt1\r\n"),
                                     std::pair("COM5", "tcp://printer:70000"), std::pair("tcp-printer", "tcp://10.0.0.9")})
        writeFile(dir.path() / name, std::vector<std::uint8_t>(text, text + std::strlen(text)));
    fs::create_symlink("tcp-printer", dir.path() / "COM6");
    const std::string f = dir.path().string(), in = " (address in " + f + ")", not_ = "\", not an address tcp://HOST[:PORT]";
    // Port, device ("-" for none), description.
    const std::vector<std::tuple<int, std::string, std::string>> table{
        {1, "tcp://192.168.1.50:9101", "COM1: raw TCP printer at 192.168.1.50:9101" + in},
        {2, "tcp://printer-3.lab:9100", "COM2: raw TCP printer at printer-3.lab:9100" + in},
        {3, "tcp://[fe80::1]:9100", "COM3: raw TCP printer at [fe80::1]:9100" + in},
        {4, "-", "COM4: not usable: " + f + "/COM4 holds \"lpt1" + not_},
        {5, "-", "COM5: not usable: " + f + "/COM5 holds \"tcp://printer:70000" + not_},
        {6, f + "/tcp-printer", "COM6: " + f + "/tcp-printer (link in " + f + ")"},
    };
    for (const auto& [n, device, description] : table) {
        SCOPED_TRACE("COM" + std::to_string(n));
        const PortTarget t = resolvePort(n, dir.path(), {"/dev/ttyUSB0"});
        EXPECT_EQ(std::pair(t.device.value_or("-"), t.description), std::pair(device, description));
    }
}

TEST(PortNaming, FolderFollowsXdgConfigHome)
{
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string keep = saved ? saved : "", home = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("XDG_CONFIG_HOME", "/tmp/xdg-here", 1);
    EXPECT_EQ(defaultPortFolder(), fs::path("/tmp/xdg-here/printbench/ports"));
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);  // only an absolute folder counts
    setenv("HOME", "/home/tech", 1);
    EXPECT_EQ(defaultPortFolder(), fs::path("/home/tech/.config/printbench/ports"));
    setenv("HOME", home.c_str(), 1);
    if (saved) setenv("XDG_CONFIG_HOME", keep.c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
}
