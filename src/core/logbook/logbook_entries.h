// The logbook entries of a track log: each flight the flight report finds
// becomes one entry with its fixes (take-off to landing), its measures, its
// wind and its score under both contest rules. Also the files a logbook
// takes flights from: the program's data files, IGC flight logs and GPX.
#pragma once

#include "core/data/ift_garmin_data.h"
#include "core/data/records.h"
#include "core/logbook/logbook.h"

#include <functional>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

namespace nuvrel {

// What a file offers a logbook: its track in WGS-84, its waypoints as names
// for sites, and what its header says of pilot, glider and receiver.
struct LogbookSource {
    std::vector<TrackPoint> points; // WGS-84
    std::vector<LogbookWaypoint> waypoints;
    std::string pilot, glider, receiver; // empty where the file does not say
    std::string error; // "FILE: ...": nothing was read
};

// Reads a data file (".nvl", positions held in the named map datum), an IGC
// log (".igc") or a GPX file (".gpx"); other names are refused. The data
// file's problems are also reported through the context's prompts.
LogbookSource readLogbookSource(const std::string& path, const std::string& datumName, DataContext context);

// Points and waypoints held in the named datum, in WGS-84.
std::vector<TrackPoint> wgs84Points(std::span<const TrackPoint> held, const std::string& datumName);
std::vector<LogbookWaypoint> wgs84Waypoints(std::span<const WaypointRecord> held, const std::string& datumName);

// What an entry takes where the file does not say it.
struct LogbookDefaults {
    std::string pilot, glider, receiver;
    std::string source; // the file's name
};

struct LogbookEntries {
    std::vector<NewLogbookFlight> flights;
    int known = 0;          // flights whose fixes the logbook holds already (not scored again)
    bool cancelled = false; // stopped on request: no entries
};

// The entries of the flights in WGS-84 points. known(hash) tells whether
// the logbook holds a flight with those fixes; such flights are counted and
// not measured further.
LogbookEntries logbookEntries(std::span<const TrackPoint> wgs84, const LogbookDefaults& defaults,
                              const std::function<bool(const std::string&)>& known, std::stop_token stop = {});

// The number of flights in WGS-84 points that known(hash) does not know
// (flights found, fixes hashed, nothing scored: cheap).
int countNewLogbookFlights(std::span<const TrackPoint> wgs84, const std::function<bool(const std::string&)>& known);

// Adds the flights of files (data files, IGC, GPX) in one transaction: the
// pilot, glider and receiver a file names, else those of defaults (the
// receiver for data files only). Any file that cannot be read adds nothing.
struct LogbookFilesAdded {
    int added = 0;
    int already = 0;
    std::string error;
};
LogbookFilesAdded addLogbookFiles(Logbook& book, std::span<const std::string> paths, const std::string& datumName,
                                  DataContext context, const LogbookDefaults& defaults, std::stop_token stop = {});

// The fixes of an entry as track points (one segment), for the flight
// report, the map and the exports.
std::vector<TrackPoint> logbookTrackPoints(std::span<const LogbookFix> fixes);

} // namespace nuvrel
