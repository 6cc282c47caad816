#include "core/gps/ift_rs232c.h"
#include "core/gps/posix_serial_device.h"
#include "core/gps/serial_ports.h"
#include "gps_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <set>
#include <stdlib.h>
#include <unistd.h>

namespace nuvrel {
namespace {

TEST(PortNaming, EnvironmentThenSettingsThenUsbThenSerial) {
    test::MemorySettingsStore settings;
    settings.keys[kSettingsKeyPath]["COM2"] = std::string("/dev/from-settings");
    settings.keys[kSettingsKeyPath]["COM3"] = std::int32_t(5); // wrong type: ignored
    SerialPorts p = test::MemoryPorts(std::make_shared<MemoryLine>(), {{"NUVREL_COM1", "/dev/pts/7"}}, &settings);
    std::set<std::string> present{"/dev/ttyUSB3"};
    p.exists = [&](const std::string& path) { return present.count(path) > 0; };

    EXPECT_EQ(p.DevicePath(1), "/dev/pts/7");
    EXPECT_EQ(p.DevicePath(2), "/dev/from-settings");
    EXPECT_EQ(p.DevicePath(3), "/dev/ttyS2");
    EXPECT_EQ(p.DevicePath(4), "/dev/ttyUSB3");
    EXPECT_EQ(p.DevicePath(8), "/dev/ttyS7");
    EXPECT_EQ(PortName(3), "COM3");
}

TEST(PortNaming, PortsOutsideOneToEightNameNoDevice) {
    SerialPorts p = test::MemoryPorts(std::make_shared<MemoryLine>(), {{"NUVREL_COM12", "/dev/pts/1"}});
    for (int n : {0, 9, 12, -1, 255})
        EXPECT_EQ(p.DevicePath(n), "") << n;
}

TEST(SerialPortOpen, OpensTheNamedDeviceOnceAndClosesHarmlessly) {
    auto line = std::make_shared<MemoryLine>();
    IFTRS232C port(test::MemoryPorts(line, {{"NUVREL_COM3", "/dev/three"}}));
    port.ClosePort(); // closing a closed port is harmless
    EXPECT_EQ(port.ReadByte(), -1);
    ASSERT_EQ(port.OpenPort(3), 1);
    EXPECT_EQ(port.devicePath(), "/dev/three");
    EXPECT_EQ(port.OpenPort(3), 0); // already open: refused, the open port stays
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(line->opened, std::vector<std::string>{"/dev/three"});
    port.ClosePort();
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.OpenPort(12), 0); // "COM12" names no device
    line->refuseOpen = true;
    EXPECT_EQ(port.OpenPort(3), 0);
    EXPECT_FALSE(port.isOpen());
}

// The real device on a pseudo-terminal: raw 9600 8N1, exclusive, no waiting
// beyond the deadline.
class PtyPair {
public:
    PtyPair() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return;
        path = ptsname(master);
    }
    ~PtyPair() {
        if (master >= 0)
            ::close(master);
    }
    int master = -1;
    std::string path;
};

TEST(PosixSerialDeviceTest, RawBytesBothWaysAndTimeOut) {
    PtyPair pty;
    ASSERT_FALSE(pty.path.empty());
    PosixSerialDevice dev;
    ASSERT_TRUE(dev.open(pty.path));
    EXPECT_FALSE(dev.open(pty.path)); // already open

    PosixSerialDevice other;
    if (geteuid() != 0) {
        EXPECT_FALSE(other.open(pty.path)); // claimed by the first
    }

    const std::uint8_t bytes[] = {16, 3, '\r', '\n', 0x11, 0x13, 0x03, 0xFF, 0x04};
    ASSERT_EQ(::write(pty.master, bytes, sizeof bytes), ssize_t(sizeof bytes));
    usleep(20000);
    EXPECT_EQ(dev.bytesWaiting(), int(sizeof bytes));
    for (std::uint8_t b : bytes)
        EXPECT_EQ(dev.readByte(100), b); // no translation, no flow control, no signals
    EXPECT_EQ(dev.readByte(50), -1);

    const std::uint8_t out[] = {16, '\n', 0x11, 0};
    EXPECT_EQ(dev.write(out, sizeof out), long(sizeof out));
    std::uint8_t got[8] = {};
    usleep(20000);
    EXPECT_EQ(::read(pty.master, got, sizeof got), ssize_t(sizeof out));
    EXPECT_EQ(std::vector<std::uint8_t>(got, got + 4), std::vector<std::uint8_t>(out, out + 4));

    dev.close();
    EXPECT_FALSE(dev.isOpen());
    EXPECT_EQ(dev.readByte(10), -1);
    EXPECT_TRUE(other.open(pty.path)); // released on close
}

TEST(PosixSerialDeviceTest, MissingDeviceFailsToOpen) {
    PosixSerialDevice dev;
    EXPECT_FALSE(dev.open("/dev/nonexistent-nuvrel-port"));
    EXPECT_FALSE(dev.open(""));
    EXPECT_FALSE(dev.open("/dev/null")); // not a terminal
}

} // namespace
} // namespace nuvrel
