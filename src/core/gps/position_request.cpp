#include "core/gps/position_request.h"

#include "core/geo/map_datum.h"
#include "core/gps/control_packet.h"
#include "core/gps/ift_rs232c.h"
#include "core/gps/packet.h"

#include <cstring>

namespace nuvrel {

namespace {

// Sends a command and reads packets until the one with identifier `wanted`
// (acknowledging it); the receiver's acknowledgement and anything else before
// it are passed over. False on a time-out.
bool requestRecord(IFTRS232C& link, std::int16_t command, std::uint8_t wanted, std::uint8_t (&buffer)[kMaxPacketLength]) {
    Request request(command);
    if (link.WritePacket(request.Bytes(), request.Length()) <= 0)
        return false;
    for (int guard = 0; guard < 8; ++guard) {
        if (link.ReadPacket(buffer) == 0)
            return false;
        if (buffer[1] == wanted) {
            link.Acknowledge(wanted);
            return true;
        }
        if (buffer[1] != Pid_Ack)
            link.Acknowledge(buffer[1]);
    }
    return false;
}

double doubleAt(const std::uint8_t* p) {
    double d;
    std::memcpy(&d, p, 8);
    return d;
}

} // namespace

double PositionRadiansToDegrees(double radians) { return radians / 3.14159265359 * 180.0; }

PositionResult RequestPosition(const SerialPorts& ports, int port, const std::string& datumName) {
    PositionResult result;
    IFTRS232C link(ports);
    if (!link.OpenPort(port))
        return result;
    std::uint8_t buffer[kMaxPacketLength] = {};
    if (!requestRecord(link, Cmnd_Transfer_Posn, Pid_Position_Data, buffer))
        return result;
    const double lat = PositionRadiansToDegrees(doubleAt(buffer + 3));
    const double lon = PositionRadiansToDegrees(doubleAt(buffer + 11));
    {
        const MapDatum datum(datumName);
        double height;
        datum.toLocal(lat, lon, 0, result.latitude, result.longitude, height);
    }
    std::memset(buffer, 0, sizeof buffer);
    if (!requestRecord(link, Cmnd_Transfer_Time, Pid_Date_Time_Data, buffer))
        return result;
    std::memcpy(result.time.bytes.data(), buffer + 3, 8);
    result.ok = true;
    return result;
}

} // namespace nuvrel
