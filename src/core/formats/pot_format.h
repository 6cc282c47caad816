// POT: one point per line as key=value items separated by "/", for example
//   ORD=POI/tex=TOKYO:station/ido=035'40'52'3/kei=139'46'00'0/altitude=00010/col=14/lev=8
// A line with a text and no "adr" is a waypoint, one with an "adr" and no
// text a track point (adr = segment), one with both a route point (adr =
// route number). Coordinates are written and read as held, in the selected
// datum, which the "Dat=" header line names.
#pragma once

#include "core/data/records.h"
#include "core/data/route_store.h"
#include "core/formats/datum_info.h"
#include "core/formats/text_sink.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace nuvrel {

// One parsed or to-be-written POT line.
class POT {
public:
    enum Kind { kNone = 0, kTrackPoint = 1, kWaypoint = 2, kRoutePoint = 3 };
    static constexpr std::int32_t kNoAddress = -9999;

    double latitude = 0;  // "ido"
    double longitude = 0; // "kei"
    double altitude = 0;  // "altitude"
    double direction = 0; // "deg": read, never written
    std::int64_t time = 0; // seconds since 1970 from "pdate" (local midnight) and "ptime"
    std::string text;      // "tex"; empty when absent
    std::int32_t address = kNoAddress; // "adr"
    int kind = kNone;

    // Parses one line into this record (every field is reset first) and
    // returns its kind. Keys are matched by their leading letters in any
    // case (TEXT is TEX); items of unknown keys, such as the "Dat=" header
    // and "ORD", "col" and "lev", are skipped. Lines in the track writer's
    // own layout take a shortcut that gives the same record.
    int parse(std::string_view line);
    // The two ways of parse, public so that they can be checked against each
    // other: the shortcut for lines in the track writer's layout (false, with
    // the record unspecified, for any other line), and the item-by-item
    // reading for every line.
    bool parseTrackPointShortcut(std::string_view line);
    int parseGeneral(std::string_view line);

    // The three line forms, without the line end, cut to 255 bytes.
    std::string trackPointLine() const;
    std::string waypointLine() const;
    std::string routePointLine() const;

    // "ddd'mm'ss't": signed degrees, minutes, seconds, tenths of a second. An
    // angle between -1 and 0 degrees keeps its sign as "-00".
    static std::string formatAngle(double degrees);
    // Reads that form; missing parts are 0, a leading "-" makes it negative.
    static double parseAngle(std::string_view value);

private:
    friend class PotTrackReader; // calls the shortcut's parts itself

    // The last local midnight converted, for files of many points a day.
    struct DateCache {
        int year = 0, month = 0, day = 0;
        std::int64_t seconds = 0;
    } dateCache_;
    std::int64_t localMidnight(int year, int month, int day);

    // The shortcut's parts: the usual widths at fixed places, then any
    // widths and signs of the writer's layout (the inline ones are defined
    // in the one file that uses them).
    inline bool parseUsualTrackPoint(std::string_view line);
    bool parseWrittenTrackPoint(std::string_view line);
    // The "pdate" text at p (nine bytes): its local midnight into
    // lastDateSeconds_; false when it is not of the usual form.
    inline bool readDate(const char* p);
    bool readNewDate(const char* p);
    // The "pdate" text last read and the local midnight it gave.
    std::uint64_t lastDateHead_ = 0; // its first eight bytes
    char lastDateTail_ = 0;
    bool lastDateKnown_ = false;
    std::int64_t lastDateSeconds_ = 0;
};

// The first line of every POT file: "Dat=name/ellipsoid/da/df*10000/dx/dy/dz/".
std::string potDatumLine(const DatumInfo& datum);

// Writers: the header and one line per point, each ending in CR LF.
void writePotTrack(TextSink& out, std::span<const TrackPoint> points, const DatumInfo& datum);
void writePotWaypoints(TextSink& out, std::span<const WaypointRecord> waypoints, const DatumInfo& datum);

// A route as the route writer and reader see it.
struct PotRouteEntry {
    std::string ident;
    std::string comment;
    double latitude = 0;
    double longitude = 0;
    float altitude = 0;
};
struct PotRoute {
    std::string name;
    std::vector<PotRouteEntry> entries;
};
// Routes without entries are left out; the others are numbered from 1.
void writePotRoutes(TextSink& out, std::span<const CRouteField::Route> routes, const DatumInfo& datum);

// Readers, fed line by line. Each keeps only the records of its kind.
class PotTrackReader {
public:
    bool line(std::string_view text);
    std::vector<TrackPoint> take() { return std::move(points_); }
    // Makes room for the points an import expects.
    std::size_t size() const { return points_.size(); }
    void reserve(std::size_t n) { points_.reserve(n); }

private:
    POT record_;
    std::vector<TrackPoint> points_;
    std::int32_t lastAddress_ = 0;
    int segment_ = 0;
};

class PotWaypointReader {
public:
    explicit PotWaypointReader(std::int16_t displayDefault) : display_(displayDefault) {}
    bool line(std::string_view text);
    std::vector<WaypointRecord> take() { return std::move(waypoints_); }

    // Splits a waypoint text into identifier and comment: at a colon among or
    // right after the first 6 characters, else after the first 6 characters.
    static void splitText(std::string_view text, std::string& ident, std::string& comment);

private:
    POT record_;
    std::int16_t display_;
    std::vector<WaypointRecord> waypoints_;
};

// Collects the records of a route file. Consecutive records with the same
// address form one route; the file counts as a route file only when its last
// record is a route point.
class PotRouteReader {
public:
    bool line(std::string_view text);
    // The routes found (empty when the file is not a route file).
    std::vector<PotRoute> take();

private:
    struct Kept {
        std::string text;
        double latitude, longitude, altitude;
        std::int32_t address;
        int kind;
    };
    POT record_;
    std::vector<Kept> kept_;
};

} // namespace nuvrel
