#include "core/gps/packet.h"

namespace nuvrel {

std::uint8_t PacketChecksum(const std::uint8_t* b, std::size_t n) {
    unsigned sum = 0;
    for (std::size_t i = 1; i + 3 < n; ++i)
        sum += b[i];
    return std::uint8_t(-sum);
}

std::size_t StuffedLength(const std::uint8_t* b, std::size_t n) {
    std::size_t len = n;
    for (std::size_t i = 2; i + 2 < n; ++i)
        len += b[i] == kDLE;
    return len;
}

void FramePacket(std::uint8_t* b, std::size_t n, std::vector<std::uint8_t>& out) {
    if (n < kPacketOverhead)
        return;
    b[n - 3] = PacketChecksum(b, n);
    out.push_back(b[0]);
    out.push_back(b[1]);
    for (std::size_t i = 2; i + 2 < n; ++i) {
        out.push_back(b[i]);
        if (b[i] == kDLE)
            out.push_back(kDLE);
    }
    out.push_back(b[n - 2]);
    out.push_back(b[n - 1]);
}

std::array<std::uint8_t, 8> AckPacket(std::uint8_t id) {
    std::array<std::uint8_t, 8> p{kDLE, Pid_Ack, 2, id, 0, 0, kDLE, kETX};
    p[5] = PacketChecksum(p.data(), p.size());
    return p;
}

std::array<std::uint8_t, 8> CommandPacket(std::int16_t command) {
    std::array<std::uint8_t, 8> p{kDLE, Pid_Command_Data, 2, 0, 0, 0, kDLE, kETX};
    PutU16(&p[3], std::uint16_t(command));
    p[5] = PacketChecksum(p.data(), p.size());
    return p;
}

FrameResult ReadFrame(const std::function<int()>& readByte, std::uint8_t* buf, std::size_t capacity,
                      std::vector<std::uint8_t>* raw) {
    FrameResult result;
    auto next = [&]() {
        const int b = readByte();
        if (b >= 0 && raw)
            raw->push_back(std::uint8_t(b));
        return b;
    };

    // Find the start byte and the identifier.
    int id = -1;
    std::size_t skipped = 0;
    int b = next();
    for (;;) {
        if (b < 0)
            return result;
        if (b != kDLE) {
            if (++skipped > kMaxSkippedBytes) {
                result.status = FrameStatus::NoStart;
                return result;
            }
            b = next();
            continue;
        }
        id = next();
        if (id < 0)
            return result;
        if (id == kETX || id == kDLE) { // an earlier packet's end or stuffing
            skipped += 2;
            if (skipped > kMaxSkippedBytes) {
                result.status = FrameStatus::NoStart;
                return result;
            }
            b = next();
            continue;
        }
        break;
    }

    // Size, data and checksum, each 16 followed by its twin.
    auto stuffed = [&]() {
        const int v = next();
        if (v == kDLE && next() < 0)
            return -1;
        return v;
    };
    const int size = stuffed();
    if (size < 0)
        return result;
    const std::size_t length = std::size_t(size) + kPacketOverhead;
    const bool fits = buf && length <= capacity;
    if (buf && capacity >= 3) {
        buf[0] = kDLE;
        buf[1] = std::uint8_t(id);
        buf[2] = std::uint8_t(size);
    }
    unsigned sum = unsigned(id) + unsigned(size);
    for (int k = 0; k <= size; ++k) { // the data, then the checksum
        const int v = stuffed();
        if (v < 0)
            return result;
        sum += unsigned(v);
        if (fits)
            buf[3 + k] = std::uint8_t(v);
    }
    int end1 = next();
    if (end1 < 0)
        return result;
    int end2 = next();
    if (end2 < 0)
        return result;
    if (!fits) {
        result.status = FrameStatus::TooLong;
        return result;
    }
    buf[4 + size] = std::uint8_t(end1);
    buf[5 + size] = std::uint8_t(end2);
    result.status = FrameStatus::Ok;
    result.length = int(length);
    result.checksumOk = (sum & 0xff) == 0;
    return result;
}

} // namespace nuvrel
