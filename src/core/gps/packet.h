// Packet framing of the receiver's serial protocol:
//
//   16 (DLE) | id | size | size data bytes | checksum | 16 (DLE) | 3 (ETX)
//
// The checksum makes id + size + data + checksum a multiple of 256. On the
// wire every 16 in the size, data or checksum is sent twice. Buffers in the
// program always hold the unstuffed form, start byte included (size + 6 bytes).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace nuvrel {

inline constexpr std::uint8_t kDLE = 16;
inline constexpr std::uint8_t kETX = 3;
inline constexpr std::size_t kPacketOverhead = 6;
inline constexpr std::size_t kMaxPacketLength = 255 + kPacketOverhead;

// Packet identifiers the program uses.
enum PacketId : std::uint8_t {
    Pid_Ack = 6,
    Pid_Command_Data = 10,
    Pid_Xfer_Cmplt = 12,
    Pid_Date_Time_Data = 14,
    Pid_Position_Data = 17,
    Pid_Records = 27,
    Pid_Rte_Hdr = 29,
    Pid_Rte_Wpt_Data = 30,
    Pid_Trk_Data = 34,
    Pid_Wpt_Data = 35,
    Pid_Rte_Link_Data = 98,
    Pid_Product_Rqst = 254,
    Pid_Product_Data = 255,
};

// Command numbers carried by Command_Data and Xfer_Cmplt.
enum CommandNumber : std::int16_t {
    Cmnd_Transfer_Posn = 2,
    Cmnd_Transfer_Rte = 4,
    Cmnd_Transfer_Time = 5,
    Cmnd_Transfer_Trk = 6,
    Cmnd_Transfer_Wpt = 7,
};

// The checksum of the packet b[0..n-1]: the two's complement of the sum of
// b[1] .. b[n-4]. n must be at least 6.
std::uint8_t PacketChecksum(const std::uint8_t* b, std::size_t n);

// Length of the packet on the wire, stuffing included.
std::size_t StuffedLength(const std::uint8_t* b, std::size_t n);

// Stores the checksum in b[n-3] and appends the wire form to out.
void FramePacket(std::uint8_t* b, std::size_t n, std::vector<std::uint8_t>& out);

// The 8-byte acknowledgement of a packet with identifier id.
std::array<std::uint8_t, 8> AckPacket(std::uint8_t id);

// A Command_Data packet for a command number (8 bytes, checksum set).
std::array<std::uint8_t, 8> CommandPacket(std::int16_t command);

enum class FrameStatus {
    Ok,       // a whole packet was read
    TimedOut, // a byte did not arrive in time; the buffer holds what came
    TooLong,  // the packet does not fit the buffer; it was read to its end and dropped
    NoStart,  // too many bytes came without a start byte
};

struct FrameResult {
    int length = 0; // size + 6 when status is Ok, else 0
    FrameStatus status = FrameStatus::TimedOut;
    bool checksumOk = false;
};

// Bytes that may be skipped while looking for the start byte of a packet
// before the read gives up.
inline constexpr std::size_t kMaxSkippedBytes = 2 * kMaxPacketLength;

// Reads one packet into buf (capacity bytes) through readByte, which returns
// the next byte (0 to 255) or -1 when none came in time. Bytes before the
// start byte are skipped (a 16 followed by 3 or by another 16 is the tail or
// the middle of an earlier packet, not a start). The checksum and the end
// bytes are reported, not enforced: a corrupt packet is delivered as it came.
// Every byte read, skipped ones included, is appended to raw when given.
FrameResult ReadFrame(const std::function<int()>& readByte, std::uint8_t* buf, std::size_t capacity,
                      std::vector<std::uint8_t>* raw = nullptr);

inline std::uint16_t GetU16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
inline std::int16_t GetI16(const std::uint8_t* p) { return std::int16_t(GetU16(p)); }
inline std::uint32_t GetU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
inline std::int32_t GetI32(const std::uint8_t* p) { return std::int32_t(GetU32(p)); }
inline void PutU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}
inline void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
}

} // namespace nuvrel
