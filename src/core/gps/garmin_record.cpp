#include "core/gps/garmin_record.h"

namespace nuvrel {

GarminRecord::GarminRecord(SerialPorts ports, std::uint16_t port) : portNumber_(port) {
    if (port == 0)
        return;
    port_ = std::make_unique<IFTRS232C>(std::move(ports));
    opened_ = port_->OpenPort(port);
}

GarminRecord::~GarminRecord() {
    if (port_)
        port_->ClosePort();
}

int GarminRecord::SendPacket(std::uint8_t* bytes, int n) {
    if (!opened_ || n < int(kPacketOverhead))
        return 0;
    bytes[n - 3] = PacketChecksum(bytes, std::size_t(n)); // the checksum may be a 16 too
    const std::size_t wireLength = StuffedLength(bytes, std::size_t(n));
    return port_->WritePacket(bytes, n) == int(wireLength) ? n : 0;
}

int GarminRecord::ReceivePacket(std::uint8_t* buffer, std::size_t capacity) {
    return opened_ ? port_->ReadPacket(buffer, capacity) : 0;
}

int GarminRecord::ReceiveId() {
    std::uint8_t buffer[8];
    return ReceivePacket(buffer, sizeof buffer) > 0 ? buffer[1] : 0;
}

int GarminRecord::SendAck(std::uint8_t id) {
    auto ack = AckPacket(id);
    return SendPacket(ack.data(), int(ack.size()));
}

double GarminRecord::SemicirclesToDegrees(std::int32_t semicircles) {
    return nuvrel::SemicirclesToDegrees(semicircles);
}

} // namespace nuvrel
