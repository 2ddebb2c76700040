#include "link/PortNaming.h"

#include "support/Recorder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

using namespace printbench::link;
using printbench::testkit::TempDir;
using testing::ElementsAre;
using testing::HasSubstr;
namespace fs = std::filesystem;

TEST(PortNaming, HostDevicesUsbAdaptersFirstEachGroupByName)
{
    EXPECT_THAT(orderHostDevices({"/dev/ttyS10", "/dev/ttyS2", "/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyUSB10",
                                  "/dev/ttyUSB1", "/dev/ttyAMA0", "/dev/ttyUSB2"}),
                ElementsAre("/dev/ttyACM0", "/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyAMA0",
                            "/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS10"));
}

TEST(PortNaming, LinkFirstThenTheNthHostDevice)
{
    TempDir dir;
    fs::create_symlink("/dev/null", dir.path() / "COM2");
    fs::create_symlink("../missing-tty", dir.path() / "COM5");
    const std::vector<std::string> host{"/dev/ttyUSB0", "/dev/ttyS0"};

    const PortTarget com1 = resolvePort(1, dir.path(), host);
    EXPECT_EQ(com1.device, "/dev/ttyUSB0");
    EXPECT_EQ(com1.description, "COM1: /dev/ttyUSB0");

    const PortTarget com2 = resolvePort(2, dir.path(), host);
    EXPECT_EQ(com2.device, "/dev/null");
    EXPECT_THAT(com2.description, HasSubstr("link in"));

    // A link that points nowhere is still the user's choice: it is named, not skipped.
    const PortTarget com5 = resolvePort(5, dir.path(), host);
    EXPECT_EQ(com5.device, (dir.path().parent_path() / "missing-tty").lexically_normal().string());
    EXPECT_THAT(com5.description, HasSubstr("does not exist"));

    // Without a link, COM2 is the host's second and last device.
    EXPECT_EQ(resolvePort(2, dir.path() / "none", host).device, "/dev/ttyS0");

    const PortTarget com3 = resolvePort(3, dir.path(), host);
    EXPECT_FALSE(com3.device);
    EXPECT_THAT(com3.description, HasSubstr("no device"));
    EXPECT_THAT(com3.description, HasSubstr("2 serial devices"));
}

TEST(PortNaming, FolderFollowsXdgConfigHome)
{
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string keep = saved ? saved : "";
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("XDG_CONFIG_HOME", "/tmp/xdg-here", 1);
    EXPECT_EQ(defaultPortFolder(), fs::path("/tmp/xdg-here/printbench/ports"));
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    setenv("HOME", "/home/tech", 1);
    EXPECT_EQ(defaultPortFolder(), fs::path("/home/tech/.config/printbench/ports"));
    setenv("HOME", home.c_str(), 1);
    if (saved) setenv("XDG_CONFIG_HOME", keep.c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
}
