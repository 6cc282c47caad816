#include "core/gps/track_record.h"

#include "core/gps/packet.h"
#include "core/gps/receiver_text.h"

#include <cstring>

namespace nuvrel {

std::optional<ReceivedTrackPoint> DecodeTrackPoint(const std::uint8_t* d, std::size_t size) {
    constexpr std::size_t kD300 = 13, kD301 = 21;
    if (!d || (size != kD300 && size != kD301))
        return std::nullopt;
    ReceivedTrackPoint p;
    p.latitude = GetI32(d);
    p.longitude = GetI32(d + 4);
    p.time = GetU32(d + 8);
    if (size == kD301) {
        float altitude;
        std::memcpy(&altitude, d + 12, 4);
        p.hasAltitude = true;
        p.altitude = ReceiverAltitude(altitude);
        std::memcpy(&p.depth, d + 16, 4);
        p.newTrack = d[20];
    } else {
        p.newTrack = d[12];
    }
    return p;
}

} // namespace nuvrel
