#include "link/UsbCommPort.h"

#include <gtest/gtest.h>

namespace {

struct DiscoveryCase {
    const char* what;
    std::vector<std::string> names;
    bool found;
    const char* port;
};

class Discovery : public ::testing::TestWithParam<DiscoveryCase> {};

TEST_P(Discovery, FindsTheFirstUsbSerialPortByFriendlyName)
{
    const DiscoveryCase& c = GetParam();
    TUsbCommPort port(std::make_unique<TListPortEnumerator>(c.names));
    char name[TUsbCommPort::NameBufferSize];
    std::fill(std::begin(name), std::end(name), 'x');
    ASSERT_EQ(port.FindUsbSerialPort(name), c.found) << c.what;
    if (c.found) {
        EXPECT_STREQ(name, c.port) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    FriendlyNames, Discovery,
    ::testing::Values(
        DiscoveryCase{"plain adapter", {"USB Serial Port (ttyUSB0)"}, true, "ttyUSB0"},
        DiscoveryCase{"two-digit number", {"USB Serial Port (ttyUSB12)"}, true, "ttyUSB12"},
        DiscoveryCase{"other ports before it",
                      {"Standard serial (ttyS0)", "CP2102 USB to UART (ttyUSB3)", "USB Serial Port (ttyUSB1)"},
                      true, "ttyUSB1"},
        DiscoveryCase{"first of two adapters wins",
                      {"USB Serial Port (ttyUSB4)", "USB Serial Port (ttyUSB0)"}, true, "ttyUSB4"},
        DiscoveryCase{"no parentheses is skipped, search goes on",
                      {"USB Serial Port", "USB Serial Port (ttyUSB2)"}, true, "ttyUSB2"},
        DiscoveryCase{"case matters", {"usb serial port (ttyUSB0)"}, false, ""},
        DiscoveryCase{"nothing present", {}, false, ""},
        DiscoveryCase{"11 characters still fit", {"USB Serial Port (ttyUSB1234)"}, true, "ttyUSB1234"},
        DiscoveryCase{"a name too long for the buffer is rejected, not cut",
                      {"USB Serial Port (ttyUSB123456789)"}, false, ""},
        DiscoveryCase{"a path in the name is not a kernel name", {"USB Serial Port (../sda)"}, false, ""}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(UsbCommPort, NothingFoundOpensNothing)
{
    TUsbCommPort port(std::make_unique<TListPortEnumerator>(std::vector<std::string>{"Standard serial (ttyS0)"}));
    const std::string before = port.PortName();
    EXPECT_FALSE(port.OpenUsbPort());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.PortName(), before);
}

TEST(UsbCommPort, FoundPortIsOpenedUnderDev)
{
    // The device does not exist here: the open fails, but the name shows where it looked.
    TUsbCommPort port(std::make_unique<TListPortEnumerator>(std::vector<std::string>{"USB Serial Port (ttyUSB97)"}));
    EXPECT_FALSE(port.OpenUsbPort());
    EXPECT_EQ(port.PortName(), "/dev/ttyUSB97");
}

TEST(CommPort, ClosedPortReadsNothing)
{
    TCommPort port;
    uint8_t buf[4] = {1, 2, 3, 4};
    EXPECT_EQ(port.Read(buf, 4), 0);
    EXPECT_EQ(port.BytesWaiting(), 0);
    EXPECT_FALSE(port.PurgeInput());
    port.Write(buf, 4);  // no effect, no crash
    port.SetPortName("/dev/nonexistent-zq735");
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.IsOpen());
}

}  // namespace
