// The pilot's logbook: every flight kept in an SQLite file with its fixes,
// the site it started from and the glider flown, so that a season can be
// listed, totalled and shown again without the files it came from.
//
// The file: $XDG_DATA_HOME/nuvrel/logbook.sqlite by default. Its schema has
// a version (PRAGMA user_version) and our application id; older versions are
// brought up to date by the migrations in logbook.cpp when the file is
// opened, a newer one is refused untouched. Foreign keys are on and the file
// is in WAL mode. Every change (an add of many flights, an edit, a removal)
// is one transaction: a crash, a kill or a full disk leaves the logbook as
// it was before the change or after it.
//
// Positions are WGS-84 degrees, times seconds since 1970 (UTC); fixes are
// stored to 1e-7 degree and 0.1 m, which is also what the duplicate check
// hashes, so the same flight read again is recognised.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct sqlite3;

namespace nuvrel {

struct LogbookFix {
    std::int64_t time = 0; // seconds since 1970, UTC
    double latitude = 0;   // WGS-84 degrees
    double longitude = 0;
    double altitude = 0;   // metres
};

struct LogbookScore {
    std::string type;     // "Free Flight", "FAI Triangle", ...; empty when nothing scores
    double distanceKm = 0;
    double points = 0;
};

struct LogbookFlight {
    std::int64_t id = 0;
    std::int64_t takeoffTime = 0; // seconds since 1970, UTC
    std::int64_t landingTime = 0;
    double takeoffLatitude = 0, takeoffLongitude = 0, takeoffAltitude = 0;
    double landingLatitude = 0, landingLongitude = 0, landingAltitude = 0;
    double airTimeS = 0;
    double trackKm = 0;
    double maxAltitude = 0;
    double maxClimbMs = 0; // the best climb and the worst sink over 20 s
    double maxSinkMs = 0;  // (negative)
    bool windKnown = false;
    double windKmh = 0, windFromDeg = 0, windQuality = 0;
    LogbookScore xcontest;
    LogbookScore ffvl;
    std::string glider;
    std::string pilot;
    std::string receiver;
    std::int64_t siteId = 0;
    std::string site; // the site's name; empty for a site not named yet
    std::string note;
    std::string source; // the file the flight came from
    std::string hash;   // of the fixes

    // "YYYY-MM-DD" of the take-off (UTC).
    std::string date() const;
};

// A flight to add with its fixes (take-off to landing).
struct NewLogbookFlight {
    LogbookFlight flight;
    std::vector<LogbookFix> fixes;
};

struct LogbookSite {
    std::int64_t id = 0;
    std::string name; // empty: not named yet
    double latitude = 0, longitude = 0;
    double radiusM = 0;
};

// One of the user's waypoints, offered as a site's name (WGS-84).
struct LogbookWaypoint {
    std::string name;
    double latitude = 0, longitude = 0;
};

// Which flights a list or totals take; empty fields take all.
struct LogbookFilter {
    int year = 0;
    std::string site;   // the site's name, exactly
    std::string glider; // exactly
    std::string text;   // anywhere in the site, glider, note, pilot or source (case-blind for ASCII)
    bool matches(const LogbookFlight& f) const;
};

enum class LogbookGroup { All, Year, Glider, Site };

struct LogbookTotal {
    std::string key; // "all", the year, the glider or the site
    std::int64_t flights = 0;
    double airTimeS = 0;
    double distanceKm = 0; // track distance
    double points = 0;     // XContest points
};

// The totals of the flights by group, in order of their keys.
std::vector<LogbookTotal> logbookTotals(std::span<const LogbookFlight> flights, LogbookGroup by);

// The hash of a flight's fixes as stored (16 hexadecimal digits).
std::string logbookFixesHash(std::span<const LogbookFix> fixes);

// $XDG_DATA_HOME/nuvrel/logbook.sqlite, else ~/.local/share/nuvrel/logbook.sqlite.
std::string defaultLogbookPath();

// Radius of a site made at a take-off, and how far a waypoint may be from
// the take-off to give the site its name.
inline constexpr double kLogbookSiteRadiusM = 1000;
inline constexpr double kLogbookWaypointReachM = 2000;

class Logbook {
public:
    static constexpr int kSchemaVersion = 1;
    static constexpr std::int32_t kApplicationId = 0x4e76526c; // "NvRl"

    // Opens the logbook at path, creating it (and its folder) when it does
    // not exist and create is set. Null with a message in error when the
    // file is not an SQLite database, not a logbook, of a newer schema,
    // cannot be read, or is locked by another program; such a file is
    // left as it was.
    static std::unique_ptr<Logbook> open(const std::string& path, std::string& error, bool create = true);
    ~Logbook();
    Logbook(const Logbook&) = delete;
    Logbook& operator=(const Logbook&) = delete;

    const std::string& path() const { return path_; }
    // The file can only be read (its mode, or a read-only folder).
    bool readOnly() const;

    struct AddResult {
        int added = 0;
        int already = 0; // the same fixes were there already
        std::vector<std::int64_t> ids; // of the flights added
        std::string error; // nothing was added then
    };
    // Adds the flights in one transaction. A flight whose fixes are in the
    // logbook already is counted and left out. Each new flight gets the
    // nearest site whose radius holds its take-off, else a site named after
    // the nearest waypoint within 2 km, else a new unnamed site at the
    // take-off.
    AddResult add(std::span<const NewLogbookFlight> flights, std::span<const LogbookWaypoint> waypoints = {});

    // True when a flight with these fixes is in the logbook.
    bool contains(const std::string& hash);

    // The flights in order of take-off (nullopt: the logbook could not be read).
    std::vector<LogbookFlight> flights(const LogbookFilter& filter = {});
    std::optional<LogbookFlight> flight(std::int64_t id);
    std::vector<LogbookFix> fixes(std::int64_t id);
    std::vector<LogbookSite> sites();
    std::vector<std::string> gliders();

    // Edits of one flight, each in one transaction; an empty message when it
    // was done. A site name that no site has names the flight's site when
    // that has no name yet (so every flight there gets it), else makes a new
    // site of that name at the take-off; an empty glider clears it.
    std::string edit(std::int64_t id, const std::optional<std::string>& site, const std::optional<std::string>& glider,
                     const std::optional<std::string>& note);
    std::string remove(std::int64_t id);

    // The last SQLite failure, in words.
    const std::string& lastError() const { return lastError_; }

private:
    Logbook(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {}
    std::string failure(const char* what);
    std::int64_t siteFor(const LogbookFlight& f, std::span<const LogbookWaypoint> waypoints);
    std::int64_t gliderId(const std::string& name);

    sqlite3* db_ = nullptr;
    std::string path_;
    std::string lastError_;
};

} // namespace nuvrel
