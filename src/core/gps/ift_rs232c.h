// The serial port of one transfer and the packets written and read through
// it. A port object lives for one exchange: construct, OpenPort, any number of
// WritePacket / ReadPacket, ClosePort.
#pragma once

#include "core/gps/link_log.h"
#include "core/gps/packet.h"
#include "core/gps/serial_device.h"
#include "core/gps/serial_ports.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>

namespace nuvrel {

class IFTRS232C {
public:
    // The wait for each byte read from the receiver.
    static constexpr int kByteTimeoutMs = 2000;

    explicit IFTRS232C(SerialPorts ports);
    // Closes the port if it is still open.
    ~IFTRS232C();
    IFTRS232C(const IFTRS232C&) = delete;
    IFTRS232C& operator=(const IFTRS232C&) = delete;

    // Opens port "COM<port>" at 9600 8N1. 1 on success, 0 when the port is
    // already open, names no device (outside 1 to 8) or cannot be opened.
    int OpenPort(int port);
    void ClosePort();
    bool isOpen() const { return device_ != nullptr; }
    // The device path of the open port.
    const std::string& devicePath() const { return path_; }

    // The next byte (0 to 255), or -1 when none came within the byte
    // time-out (kByteTimeoutMs unless set otherwise) or a stop was requested
    // through the stop token meanwhile.
    int ReadByte();

    // A stop requested through this token ends the wait for a byte within
    // a tenth of a second.
    void setStopToken(std::stop_token stop) { stop_ = std::move(stop); }
    bool stopRequested() const { return stop_.stop_requested(); }
    void setByteTimeout(int ms) { byteTimeoutMs_ = ms; }

    // Sets the checksum of the packet bytes[0..n-1] (n = size + 6), stuffs it
    // and writes it with one write. Returns the count written, or -1 when the
    // port is closed or the packet is shorter than 6 bytes.
    int WritePacket(std::uint8_t* bytes, int n);

    // Reads one packet into buffer (capacity bytes, unstuffed, start byte
    // included). size + 6 on success; 0 on a time-out, and also when the
    // packet does not fit the buffer (lastReadStatus tells which).
    int ReadPacket(std::uint8_t* buffer, std::size_t capacity);
    template <std::size_t N>
    int ReadPacket(std::uint8_t (&buffer)[N]) {
        return ReadPacket(buffer, N);
    }
    FrameStatus lastReadStatus() const { return lastStatus_; }

    // Acknowledges a received packet with identifier id; as WritePacket.
    int Acknowledge(std::uint8_t id);

private:
    SerialPorts ports_;
    std::unique_ptr<SerialDevice> device_;
    std::unique_ptr<LinkLog> log_;
    std::string path_;
    FrameStatus lastStatus_ = FrameStatus::Ok;
    std::stop_token stop_;
    int byteTimeoutMs_ = kByteTimeoutMs;
};

} // namespace nuvrel
