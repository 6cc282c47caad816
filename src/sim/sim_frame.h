// Framing as the receiver does it: packets are built whole and stuffed on the
// way out; bytes coming in are assembled by a state machine that checks the
// start byte, the stuffing, the checksum and the end bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gpssim {

using Bytes = std::vector<std::uint8_t>;

struct Frame {
    std::uint8_t id = 0;
    Bytes data;
    bool checksumOk = true;
};

// The bytes on the wire for a packet; the checksum is xor-ed with
// checksumFlip (0 for a correct packet).
Bytes Encode(std::uint8_t id, const Bytes& data, std::uint8_t checksumFlip = 0);

class Decoder {
public:
    // Feeds one byte; true when it completed a frame (then take it with frame()).
    bool push(std::uint8_t byte);
    const Frame& frame() const { return frame_; }
    // Bytes dropped while hunting for a start byte or after a malformed frame.
    std::size_t dropped() const { return dropped_; }

private:
    enum class State { Hunt, Id, Size, Data, Checksum, End1, End2 };
    bool stuffedByte(std::uint8_t byte, std::uint8_t& out);
    void fail();

    State state_ = State::Hunt;
    bool pendingDle_ = false;
    std::uint8_t size_ = 0;
    std::uint8_t checksum_ = 0;
    Frame building_;
    Frame frame_;
    std::size_t dropped_ = 0;
};

} // namespace gpssim
