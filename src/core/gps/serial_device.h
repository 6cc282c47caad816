// The one interface every byte to and from the receiver goes through. The
// packet layer reads and writes only through it, so the protocol runs against
// a real port, a pseudo-terminal or an in-memory fake alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace nuvrel {

class SerialDevice {
public:
    virtual ~SerialDevice() = default;

    // Opens the device at path and sets 9600 baud, 8 data bits, no parity,
    // one stop bit. False when it cannot be opened or configured.
    virtual bool open(const std::string& path) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Number of bytes waiting to be read, or -1 when it cannot be asked.
    virtual int bytesWaiting() = 0;

    // One byte (0 to 255), waiting at most timeoutMs milliseconds for it;
    // -1 when none arrived in time or the device is gone. Waiting costs no CPU.
    virtual int readByte(int timeoutMs) = 0;

    // Writes all n bytes; the count written, which is less than n when the
    // device stops taking bytes, or -1 on an error.
    virtual long write(const std::uint8_t* bytes, std::size_t n) = 0;
};

using SerialDeviceFactory = std::function<std::unique_ptr<SerialDevice>()>;

} // namespace nuvrel
