// Track point records as receivers send them: D300 (13 bytes: position,
// time, new-track flag) and D301 (21 bytes: position, time, altitude, depth,
// new-track flag).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace nuvrel {

struct ReceivedTrackPoint {
    std::int32_t latitude = 0;  // semicircles
    std::int32_t longitude = 0; // semicircles
    std::uint32_t time = 0;     // receiver seconds
    bool hasAltitude = false;   // D301
    float altitude = 0;         // metres, the receiver's altitude rule applied (D301)
    float depth = 0;            // the four bytes as received (D301)
    std::uint8_t newTrack = 0;
};

// Reads a Trk_Data record of size bytes in the layout its length gives:
// whichever layout the settings name, a receiver sends its own. None when the
// length fits neither layout: a damaged record is no point.
std::optional<ReceivedTrackPoint> DecodeTrackPoint(const std::uint8_t* data, std::size_t size);

} // namespace nuvrel
