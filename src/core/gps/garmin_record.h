// The connection used by the route transfers: a port opened at construction
// and closed at destruction, whose sends count as successful only when the
// whole framed packet went out.
#pragma once

#include "core/gps/ift_rs232c.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace nuvrel {

class GarminRecord {
public:
    // Opens port number `port` unless it is 0.
    GarminRecord(SerialPorts ports, std::uint16_t port);
    ~GarminRecord();
    GarminRecord(const GarminRecord&) = delete;
    GarminRecord& operator=(const GarminRecord&) = delete;

    int opened() const { return opened_; }
    std::uint16_t portNumber() const { return portNumber_; }
    IFTRS232C* port() { return port_.get(); }

    // n when the whole stuffed packet was written, else 0.
    int SendPacket(std::uint8_t* bytes, int n);
    // As IFTRS232C::ReadPacket.
    int ReceivePacket(std::uint8_t* buffer, std::size_t capacity);
    // The identifier of the next packet (read into an 8-byte buffer), or 0 on
    // a time-out or when that packet is longer than 8 bytes.
    int ReceiveId();
    int SendAck(std::uint8_t id);

    static double SemicirclesToDegrees(std::int32_t semicircles);

private:
    std::unique_ptr<IFTRS232C> port_;
    int opened_ = 0;
    std::uint16_t portNumber_ = 0;
};

// Degrees of a position in semicircles (2^31 semicircles are 180 degrees).
inline double SemicirclesToDegrees(std::int32_t semicircles) {
    return double(semicircles) * (180.0 / 2147483648.0);
}

} // namespace nuvrel
