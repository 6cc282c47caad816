// The fixed-size records of the track log, the waypoint store and the route
// store. They are the same bytes in memory and in the native data file
// (little-endian), so their layouts are binding.
#pragma once

#include <cstddef>
#include <cstdint>

namespace nuvrel {

// Seconds from 1970-01-01 to 1989-12-31, the receiver's epoch.
inline constexpr std::int64_t kReceiverEpochOffset = 631065600;

struct TrackPoint {
    double latitude;        // degrees
    double longitude;       // degrees
    std::uint32_t time;     // receiver time: seconds since 1989-12-31 00:00:00 UTC
    std::int16_t segment;   // track segment number, non-decreasing along the log
    std::uint16_t reserved; // no meaning
    float altitude;         // metres
    float depth;            // metres (receivers that record depth), else 0
};
static_assert(sizeof(TrackPoint) == 32);
static_assert(offsetof(TrackPoint, latitude) == 0);
static_assert(offsetof(TrackPoint, longitude) == 8);
static_assert(offsetof(TrackPoint, time) == 16);
static_assert(offsetof(TrackPoint, segment) == 20);
static_assert(offsetof(TrackPoint, reserved) == 22);
static_assert(offsetof(TrackPoint, altitude) == 24);
static_assert(offsetof(TrackPoint, depth) == 28);

inline constexpr std::size_t kIdentSize = 24;   // 23 characters and a NUL
inline constexpr std::size_t kCommentSize = 64; // 63 characters and a NUL
inline constexpr std::size_t kRouteNameSize = 64;

#pragma pack(push, 4)
struct WaypointRecord {
    double latitude;           // degrees
    double longitude;          // degrees
    float altitude;            // metres
    float proximity;           // proximity distance as the receiver holds it
    std::int16_t symbol;       // receiver symbol code
    std::int16_t display;      // receiver display option, 0 to 255
    char ident[kIdentSize];    // NUL-terminated
    char comment[kCommentSize];// NUL-terminated
};
#pragma pack(pop)
static_assert(sizeof(WaypointRecord) == 116);
static_assert(offsetof(WaypointRecord, latitude) == 0);
static_assert(offsetof(WaypointRecord, longitude) == 8);
static_assert(offsetof(WaypointRecord, altitude) == 16);
static_assert(offsetof(WaypointRecord, proximity) == 20);
static_assert(offsetof(WaypointRecord, symbol) == 24);
static_assert(offsetof(WaypointRecord, display) == 26);
static_assert(offsetof(WaypointRecord, ident) == 28);
static_assert(offsetof(WaypointRecord, comment) == 52);

// A route's header as the native file holds it (the entries follow elsewhere).
struct RouteHeader {
    std::uint32_t entryCount;
    char name[kRouteNameSize]; // NUL-terminated, at most 63 characters
    std::uint32_t reserved;    // no meaning in the file
};
static_assert(sizeof(RouteHeader) == 72);
static_assert(offsetof(RouteHeader, entryCount) == 0);
static_assert(offsetof(RouteHeader, name) == 4);
static_assert(offsetof(RouteHeader, reserved) == 68);

// A route entry: a complete waypoint copy.
struct RouteEntry {
    double latitude;
    double longitude;
    float proximity;
    std::int16_t symbol;
    std::int16_t display;
    float altitude;
    std::uint32_t reserved;
    char ident[kIdentSize];
    char comment[kCommentSize];
};
static_assert(sizeof(RouteEntry) == 120);
static_assert(offsetof(RouteEntry, latitude) == 0);
static_assert(offsetof(RouteEntry, longitude) == 8);
static_assert(offsetof(RouteEntry, proximity) == 16);
static_assert(offsetof(RouteEntry, symbol) == 20);
static_assert(offsetof(RouteEntry, display) == 22);
static_assert(offsetof(RouteEntry, altitude) == 24);
static_assert(offsetof(RouteEntry, reserved) == 28);
static_assert(offsetof(RouteEntry, ident) == 32);
static_assert(offsetof(RouteEntry, comment) == 56);

} // namespace nuvrel
