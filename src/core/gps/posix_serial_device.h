// SerialDevice on a POSIX terminal device (a serial port, a USB serial
// adapter or a pseudo-terminal).
#pragma once

#include "core/gps/serial_device.h"

namespace nuvrel {

class PosixSerialDevice final : public SerialDevice {
public:
    PosixSerialDevice() = default;
    ~PosixSerialDevice() override;
    PosixSerialDevice(const PosixSerialDevice&) = delete;
    PosixSerialDevice& operator=(const PosixSerialDevice&) = delete;

    // Opens read-write without becoming the controlling terminal, claims the
    // line for this process alone, sets 9600 8N1 in raw mode (no echo, no
    // line editing, no character translation, no software flow control) and
    // drops whatever was queued before. Hardware flow control and the modem
    // lines keep their settings.
    bool open(const std::string& path) override;
    void close() override;
    bool isOpen() const override { return fd_ >= 0; }
    int bytesWaiting() override;
    int readByte(int timeoutMs) override;
    long write(const std::uint8_t* bytes, std::size_t n) override;

    // The time a write may wait for the line to take more bytes.
    static constexpr int kWriteTimeoutMs = 2000;

private:
    int fd_ = -1;
};

// A factory for the program's ports.
SerialDeviceFactory PosixSerialDeviceFactory();

} // namespace nuvrel
