// The libusb transport against whatever USB this host has, possibly no bus at all.

#include "link/usb/LibusbTransport.h"

#include <gtest/gtest.h>

#include <set>

using namespace printbench::link::usb;

TEST(LibusbTransport, ListsDevicesWithSaneDescriptors)
{
    LibusbTransport transport;
    const std::vector<DeviceInfo> devices = transport.devices();
    if (!transport.available()) {
        EXPECT_TRUE(devices.empty());
    }
    for (const DeviceInfo& d : devices) {
        EXPECT_GE(d.bus, 1);
        EXPECT_TRUE(d.address >= 1 && d.address <= 127) << d.address;
        std::set<int> numbers, withSettingZero;
        for (const InterfaceInfo& i : d.interfaces) {
            numbers.insert(i.number);
            if (i.alternateSetting == 0)
                withSettingZero.insert(i.number);
            for (const EndpointInfo& e : i.endpoints) {
                EXPECT_NE(e.address & 0x0f, 0) << "endpoint 0 is never in an interface";
                EXPECT_EQ(e.address & 0x70, 0) << "reserved address bits";
                EXPECT_GT(e.maxPacketSize, 0);
            }
        }
        EXPECT_FALSE(numbers.empty());
        EXPECT_EQ(numbers, withSettingZero) << "every interface has an alternate setting 0";
    }
    transport.devices();  // the second listing releases the first one's references
}

TEST(LibusbTransport, RefusesWorkWithoutAnOpenDevice)
{
    LibusbTransport transport;
    DeviceInfo ghost;
    ghost.bus = 255;
    ghost.address = 255;
    EXPECT_NE(transport.open(ghost), TransportError::None);

    const std::uint8_t bytes[] = {0x1b, 0x40};
    EXPECT_NE(transport.bulkOut(0x01, bytes, 50), TransportError::None);
    std::vector<std::uint8_t> in{1, 2, 3};
    EXPECT_NE(transport.bulkIn(0x81, in, 64, 50), TransportError::None);
    EXPECT_TRUE(in.empty());
    EXPECT_NE(transport.claim({}), TransportError::None);
    EXPECT_FALSE(transport.deviceId({}));
    EXPECT_FALSE(transport.portStatus({}));
    EXPECT_FALSE(transport.productString());
}
