// The interchange formats and what each one reads and writes, in one table.
// The import dispatch kinds are the data set's: track 1 POT, 2 text, 3 Pro
// Atlas log, 4 NMEA (GPX and IGC have readers of their own); waypoints 1 POT, 2 text, 3 Pro Atlas CSV.
#pragma once

#include <span>
#include <string_view>

namespace nuvrel {

enum class DataKind { Track, Waypoints, Routes };

enum TrackFileKind : int {
    kTrackFilePot = 1,
    kTrackFileText = 2,
    kTrackFileProAtlas = 3,
    kTrackFileNmea = 4,
    kTrackFileGpx = 5,
    kTrackFileIgc = 6,
};
enum WaypointFileKind : int {
    kWaypointFilePot = 1,
    kWaypointFileText = 2,
    kWaypointFileProAtlas = 3,
    kWaypointFileGpx = 4,
};

enum class FormatId { Text, Pot, ProAtlas, Pcx5, Nmea, Gpx, Igc, Kml };

struct FormatDescriptor {
    FormatId id;
    std::string_view name;        // as the command line names it
    std::string_view description;
    int trackKind;                // import dispatch kind of the track log; 0: tracks are not read
    int waypointKind;             // the same for the waypoint store
    bool readsRoutes;             // routes are appended to the route store
    bool writesTrack;
    bool writesWaypoints;
    bool writesRoutes;
    bool usesDms;      // the text coordinate setting matters on export
    bool usesDatum;    // the export names the selected datum
    bool usesTimeZone; // local time is read or written

    bool reads(DataKind kind) const {
        return kind == DataKind::Track ? trackKind != 0 : kind == DataKind::Waypoints ? waypointKind != 0 : readsRoutes;
    }
    bool writes(DataKind kind) const {
        return kind == DataKind::Track ? writesTrack : kind == DataKind::Waypoints ? writesWaypoints : writesRoutes;
    }
};

inline constexpr FormatDescriptor kFormats[] = {
    // id, name, description, track kind, waypoint kind, routes in, track/waypoints/routes out, dms, datum, zone
    {FormatId::Text, "text", "plain comma-separated text (.txt)", kTrackFileText, kWaypointFileText, false, true, true, false, true,
     false, true},
    {FormatId::Pot, "pot", "POT points of interest (.pot)", kTrackFilePot, kWaypointFilePot, true, true, true, true, false, true,
     true},
    {FormatId::ProAtlas, "proatlas", "Pro Atlas track log (.log) and waypoint CSV (.csv)", kTrackFileProAtlas, kWaypointFileProAtlas,
     false, true, true, false, false, false, true},
    {FormatId::Pcx5, "pcx5", "PCX5 track (.trk), waypoints (.wpt) and routes (.rte)", 0, 0, false, true, true, true, false, true,
     false},
    {FormatId::Nmea, "nmea", "NMEA 0183 log (.nme), RMC and GGA sentences", kTrackFileNmea, 0, false, false, false, false, false,
     false, false},
    {FormatId::Gpx, "gpx", "GPX 1.1 tracks, waypoints and routes in WGS-84 (.gpx)", kTrackFileGpx, kWaypointFileGpx, true,
     true, true, true, false, false, false},
    {FormatId::Igc, "igc", "IGC flight log in WGS-84 (.igc): read as a track; written: the flight, the whole log or one segment",
     kTrackFileIgc, 0, false, true, false, false, false, false, false},
    {FormatId::Kml, "kml", "KML for Google Earth in WGS-84 (.kml): the track with the waypoints, or the waypoints", 0, 0,
     false, true, true, false, false, false, false},
};

// The format of that name, or null.
const FormatDescriptor* findFormat(std::string_view name);

std::string_view dataKindName(DataKind kind);

} // namespace nuvrel
