// The fixed 8-byte control packets: a command (Request), the announcement of
// a number of records (BeginTransfer) and the end of a transfer
// (EndTransfer). The checksum position holds the placeholder 255 until the
// packet is written.
#pragma once

#include "core/gps/packet.h"

#include <array>
#include <cstdint>

namespace nuvrel {

class ControlPacket {
public:
    const std::uint8_t* Bytes() const { return bytes_.data(); }
    std::uint8_t* Bytes() { return bytes_.data(); }
    int Length() const { return int(bytes_.size()); }

protected:
    ControlPacket(std::uint8_t id, std::int16_t value)
        : bytes_{kDLE, id, 2, std::uint8_t(value), std::uint8_t(std::uint16_t(value) >> 8), 255, kDLE, kETX} {}

private:
    std::array<std::uint8_t, 8> bytes_;
};

// Command_Data with a command number.
class Request final : public ControlPacket {
public:
    explicit Request(std::int16_t command) : ControlPacket(Pid_Command_Data, command) {}
};

// Records with the number of packets that follow.
class BeginTransfer final : public ControlPacket {
public:
    explicit BeginTransfer(std::int16_t count) : ControlPacket(Pid_Records, count) {}
};

// Xfer_Cmplt with the command number of the transfer.
class EndTransfer final : public ControlPacket {
public:
    explicit EndTransfer(std::int16_t command) : ControlPacket(Pid_Xfer_Cmplt, command) {}
};

} // namespace nuvrel
