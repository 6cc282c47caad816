// The track and waypoint transfers between the receiver and the data set:
// track download, waypoint download and waypoint upload. Each owns its port
// for its whole run, shows the progress window while it runs and takes every
// format decision from the receiver model of the settings.
#pragma once

#include "core/ift_option.h"
#include "core/data/ift_garmin_data.h"
#include "core/gps/serial_ports.h"
#include "core/platform.h"

namespace nuvrel {

// What a transfer needs besides its data.
struct TransferServices {
    const SerialPorts& ports;
    const IFTOption& option;
    UserPrompts& prompts;
    Progress& progress;
};

// Replaces the data set's track log by the receiver's once the download is
// complete, marks it modified and resets the time offset from the computer's
// time zone. Points are converted from WGS-84 into the datum of the settings.
// Error 1 when the port cannot be opened, error 2 on a time-out; after a
// failure the data set keeps its log, its modified flag and its offset.
// True on success.
bool DownloadTrack(IFTGarminData& data, int port, const TransferServices& services);

// As DownloadTrack for the waypoint store (the time offset is not touched).
bool DownloadWaypoints(IFTGarminData& data, int port, const TransferServices& services);

// Sends the store's waypoints, converted back to WGS-84. 1 on success, 0 on
// failure (error 1 or 2 shown).
int UploadWaypoints(const IFTGarminWaypoint& waypoints, int port, const TransferServices& services);

// The name a waypoint upload gives the receiver, in its code page: the
// ident's first 6 (older layouts) or 10 bytes, never cut inside a character,
// with lower-case Latin letters raised.
std::string WaypointUploadName(const WaypointRecord& waypoint, std::int32_t productId);

// The warning after a download that skipped records whose length fits no
// layout: "3 damaged records skipped".
std::string DamagedRecordsNotice(std::size_t count);

// The progress label of the track download, "45%(450/1000)", and of the
// waypoint download, "45%".
std::string TrackProgressLabel(std::uint32_t count, int announced);
std::string WaypointProgressLabel(std::uint32_t count, int announced);

} // namespace nuvrel
