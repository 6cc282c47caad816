// The track and waypoint transfers between the receiver and the program:
// track download, waypoint download and waypoint upload. Each owns its port
// for its whole run, takes every format decision from the receiver model of
// its options, returns a status and reports packets done of expected; none
// shows anything.
#pragma once

#include "core/data/records.h"
#include "core/gps/transfer_link.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace nuvrel {

struct TrackDownload {
    LinkStatus status = LinkStatus::Ok;
    // Converted from WGS-84 into the datum of the options, segment numbers
    // from the receiver's new-track flags; complete only when status is Ok.
    std::vector<TrackPoint> points;
    // Records whose length fits no layout, skipped.
    std::size_t damaged = 0;
};

// The receiver's track log. Progress counts the packets received of those
// announced.
TrackDownload ReceiveTrack(const SerialPorts& ports, const TransferOptions& options, const TransferControl& control);

struct WaypointDownload {
    LinkStatus status = LinkStatus::Ok;
    std::vector<WaypointRecord> records;
    // The texts that had to be cut or changed to fit, for the user ("" when none).
    std::string notice;
    std::size_t damaged = 0; // records whose length fits no layout, skipped
};

WaypointDownload ReceiveWaypoints(const SerialPorts& ports, const TransferOptions& options,
                                  const TransferControl& control);

struct UploadOutcome {
    LinkStatus status = LinkStatus::Ok;
    std::uint32_t sent = 0; // records the receiver acknowledged
};

// Sends the waypoints, converted back to WGS-84. Progress counts the
// waypoints sent of all.
UploadOutcome SendWaypoints(std::span<const WaypointRecord> waypoints, const SerialPorts& ports,
                            const TransferOptions& options, const TransferControl& control);

// The name a waypoint upload gives the receiver, in its code page: the
// ident's first 6 (older layouts) or 10 bytes, never cut inside a character,
// with lower-case Latin letters raised.
std::string WaypointUploadName(const WaypointRecord& waypoint, std::int32_t productId);

// The warning after a download that skipped records whose length fits no
// layout: "3 damaged records skipped".
std::string DamagedRecordsNotice(std::size_t count);

} // namespace nuvrel
