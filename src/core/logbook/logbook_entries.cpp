#include "core/logbook/logbook_entries.h"

#include "core/analysis/contest_score.h"
#include "core/analysis/flight_report.h"
#include "core/formats/gpx_format.h"
#include "core/formats/igc_header.h"
#include "core/formats/igc_reader.h"
#include "core/geo/map_datum.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace nuvrel {

namespace {

std::string lowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// The best climb and the worst sink over at least 20 s.
void climbAndSink(std::span<const TrackPoint> p, double& climb, double& sink) {
    climb = sink = 0;
    std::size_t j = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        j = std::max(j, i + 1);
        while (j < p.size() && p[j].time - p[i].time < 20)
            ++j;
        if (j >= p.size())
            break;
        const double rate = (p[j].altitude - p[i].altitude) / double(p[j].time - p[i].time);
        climb = std::max(climb, rate);
        sink = std::min(sink, rate);
    }
}

LogbookScore scoreOf(const ContestScore& s) { return {s.type, s.distanceKm, s.points}; }

} // namespace

std::vector<TrackPoint> wgs84Points(std::span<const TrackPoint> held, const std::string& datumName) {
    std::vector<TrackPoint> out(held.begin(), held.end());
    const MapDatum datum(datumName);
    if (datum.isWgs84())
        return out;
    for (TrackPoint& p : out) {
        double lat, lon, h;
        datum.toWgs84(p.latitude, p.longitude, p.altitude, lat, lon, h);
        p.latitude = lat, p.longitude = lon, p.altitude = static_cast<float>(h);
    }
    return out;
}

std::vector<LogbookWaypoint> wgs84Waypoints(std::span<const WaypointRecord> held, const std::string& datumName) {
    std::vector<LogbookWaypoint> out;
    const MapDatum datum(datumName);
    for (const WaypointRecord& w : held) {
        LogbookWaypoint o;
        o.name.assign(w.ident, strnlen(w.ident, sizeof w.ident));
        double h = 0;
        datum.toWgs84(w.latitude, w.longitude, w.altitude, o.latitude, o.longitude, h);
        out.push_back(std::move(o));
    }
    return out;
}

LogbookSource readLogbookSource(const std::string& path, const std::string& datumName, DataContext context) {
    LogbookSource out;
    const std::string ext = lowerExtension(path);
    if (ext == ".igc") {
        IgcRead read = readIgcFile(path, "WGS 84");
        if (!read.error.empty()) {
            out.error = path + ": " + read.error;
            return out;
        }
        out.points = std::move(read.points);
        std::ifstream in(path, std::ios::binary);
        std::string head(1 << 16, '\0');
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<std::size_t>(in.gcount()));
        const IgcHeaderValues h = readIgcHeaderValues(head);
        out.pilot = h.pilot, out.glider = h.gliderType, out.receiver = h.recorder;
    } else if (ext == ".gpx") {
        GpxSettings settings; // WGS-84
        GpxRead read = readGpxFile(path, settings, GpxKinds{true, true, false});
        if (!read.error.empty()) {
            out.error = path + ": " + read.error;
            return out;
        }
        out.points = std::move(read.content.track);
        out.waypoints = wgs84Waypoints(read.content.waypoints, "WGS 84");
    } else if (ext == ".nvl") {
        IFTGarminData data(context);
        CRouteField routes(1);
        if (data.load(path, routes) != 1) {
            out.error = path + ": cannot read this data file";
            return out;
        }
        if (data.track())
            out.points = wgs84Points(data.track()->points(), datumName);
        if (data.waypoints())
            out.waypoints = wgs84Waypoints(data.waypoints()->records(), datumName);
    } else {
        out.error = path + ": not a data file (.nvl), IGC log (.igc) or GPX file (.gpx)";
    }
    return out;
}

LogbookEntries logbookEntries(std::span<const TrackPoint> points, const LogbookDefaults& defaults,
                              const std::function<bool(const std::string&)>& known, std::stop_token stop) {
    LogbookEntries out;
    const FlightReport report = buildFlightReport(points, -1, ContestRules::XContest, "WGS 84", false);
    for (const FlightReportEntry& e : report.flights) {
        if (stop.stop_requested()) {
            out = {};
            out.cancelled = true;
            return out;
        }
        const std::span<const TrackPoint> flight = points.subspan(e.takeoff, e.landing - e.takeoff + 1);
        NewLogbookFlight n;
        n.fixes.reserve(flight.size());
        for (const TrackPoint& p : flight)
            n.fixes.push_back({std::int64_t(p.time) + kReceiverEpochOffset, p.latitude, p.longitude, p.altitude});
        LogbookFlight& f = n.flight;
        f.hash = logbookFixesHash(n.fixes);
        if (known && known(f.hash)) {
            ++out.known;
            continue;
        }
        const TrackPoint& t = flight.front();
        const TrackPoint& l = flight.back();
        f.takeoffTime = n.fixes.front().time;
        f.landingTime = n.fixes.back().time;
        f.takeoffLatitude = t.latitude, f.takeoffLongitude = t.longitude, f.takeoffAltitude = t.altitude;
        f.landingLatitude = l.latitude, f.landingLongitude = l.longitude, f.landingAltitude = l.altitude;
        f.airTimeS = e.airTimeS;
        f.trackKm = e.trackKm;
        f.maxAltitude = t.altitude;
        for (const TrackPoint& p : flight)
            f.maxAltitude = std::max<double>(f.maxAltitude, p.altitude);
        climbAndSink(flight, f.maxClimbMs, f.maxSinkMs);
        f.windKnown = e.wind.known;
        f.windKmh = e.wind.speedKmh, f.windFromDeg = e.wind.fromDeg, f.windQuality = e.wind.quality;
        const ContestScore xc = scoreFlight(flight, ContestRules::XContest, stop);
        const ContestScore ffvl = scoreFlight(flight, ContestRules::FFVL, stop);
        if (xc.cancelled || ffvl.cancelled) {
            out = {};
            out.cancelled = true;
            return out;
        }
        f.xcontest = scoreOf(xc);
        f.ffvl = scoreOf(ffvl);
        f.pilot = defaults.pilot, f.glider = defaults.glider, f.receiver = defaults.receiver;
        f.source = defaults.source;
        out.flights.push_back(std::move(n));
    }
    return out;
}

int countNewLogbookFlights(std::span<const TrackPoint> points, const std::function<bool(const std::string&)>& known) {
    const FlightReport report = buildFlightReport(points, -1, ContestRules::XContest, "WGS 84", false);
    int count = 0;
    std::vector<LogbookFix> fixes;
    for (const FlightReportEntry& e : report.flights) {
        fixes.clear();
        for (std::uint32_t i = e.takeoff; i <= e.landing; ++i)
            fixes.push_back({std::int64_t(points[i].time) + kReceiverEpochOffset, points[i].latitude, points[i].longitude,
                             points[i].altitude});
        if (!known || !known(logbookFixesHash(fixes)))
            ++count;
    }
    return count;
}

LogbookFilesAdded addLogbookFiles(Logbook& book, std::span<const std::string> paths, const std::string& datumName,
                                  DataContext context, const LogbookDefaults& defaults, std::stop_token stop) {
    LogbookFilesAdded out;
    if (book.readOnly()) {
        out.error = "cannot add to " + book.path() + ": it is read-only; nothing changed";
        return out;
    }
    std::vector<NewLogbookFlight> flights;
    std::vector<LogbookWaypoint> waypoints;
    int known = 0;
    for (const std::string& file : paths) {
        LogbookSource source = readLogbookSource(file, datumName, context);
        if (!source.error.empty()) {
            out.error = source.error + "; nothing added";
            return out;
        }
        LogbookDefaults d;
        d.pilot = source.pilot.empty() ? defaults.pilot : source.pilot;
        d.glider = source.glider.empty() ? defaults.glider : source.glider;
        d.receiver = !source.receiver.empty() ? source.receiver
                     : lowerExtension(file) == ".nvl" ? defaults.receiver
                                                      : std::string();
        d.source = std::filesystem::path(file).filename().string();
        LogbookEntries entries =
            logbookEntries(source.points, d, [&](const std::string& hash) { return book.contains(hash); }, stop);
        if (entries.cancelled) {
            out.error = "stopped; nothing added";
            return out;
        }
        known += entries.known;
        for (NewLogbookFlight& f : entries.flights)
            flights.push_back(std::move(f));
        waypoints.insert(waypoints.end(), source.waypoints.begin(), source.waypoints.end());
    }
    const Logbook::AddResult result = book.add(flights, waypoints);
    out.error = result.error;
    out.added = result.added;
    out.already = result.already + known;
    return out;
}

std::vector<TrackPoint> logbookTrackPoints(std::span<const LogbookFix> fixes) {
    std::vector<TrackPoint> out;
    out.reserve(fixes.size());
    for (const LogbookFix& f : fixes)
        out.push_back(TrackPoint{f.latitude, f.longitude, static_cast<std::uint32_t>(f.time - kReceiverEpochOffset), 1, 0,
                                 static_cast<float>(f.altitude), 0.f});
    return out;
}

} // namespace nuvrel
