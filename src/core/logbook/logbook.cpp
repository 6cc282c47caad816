// The logbook file through the SQLite C interface: the schema and its
// migrations, the transactions of each change, and the faults a user meets
// (a file that is not a logbook, a newer one, read-only, locked, a full
// disk) turned into one message each.
//
// Fixes are one row each (flight, sequence number, time, latitude and
// longitude in 1e-7 degrees, altitude in decimetres) in a table without row
// ids, kept in the order of the flight: small integers that SQLite stores in
// few bytes.
#include "core/logbook/logbook.h"

#include "core/geo/map_datum.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <sys/stat.h>

namespace nuvrel {

namespace {

// The schema, one step per version: step n brings version n - 1 to n.
const char* const kMigrations[] = {
    // 1: flights with their fixes, sites and gliders.
    "CREATE TABLE sites("
    " id INTEGER PRIMARY KEY,"
    " name TEXT NOT NULL DEFAULT '',"
    " latitude REAL NOT NULL,"
    " longitude REAL NOT NULL,"
    " radius_m REAL NOT NULL);"
    "CREATE TABLE gliders("
    " id INTEGER PRIMARY KEY,"
    " name TEXT NOT NULL UNIQUE);"
    "CREATE TABLE flights("
    " id INTEGER PRIMARY KEY,"
    " date TEXT NOT NULL,"
    " takeoff_time INTEGER NOT NULL,"
    " landing_time INTEGER NOT NULL,"
    " takeoff_latitude REAL NOT NULL, takeoff_longitude REAL NOT NULL, takeoff_altitude REAL NOT NULL,"
    " landing_latitude REAL NOT NULL, landing_longitude REAL NOT NULL, landing_altitude REAL NOT NULL,"
    " air_time_s REAL NOT NULL,"
    " track_km REAL NOT NULL,"
    " max_altitude REAL NOT NULL,"
    " max_climb_ms REAL NOT NULL,"
    " max_sink_ms REAL NOT NULL,"
    " wind_kmh REAL, wind_from_deg REAL, wind_quality REAL,"
    " xcontest_type TEXT NOT NULL DEFAULT '', xcontest_km REAL NOT NULL DEFAULT 0,"
    " xcontest_points REAL NOT NULL DEFAULT 0,"
    " ffvl_type TEXT NOT NULL DEFAULT '', ffvl_km REAL NOT NULL DEFAULT 0, ffvl_points REAL NOT NULL DEFAULT 0,"
    " glider_id INTEGER REFERENCES gliders(id) ON DELETE SET NULL,"
    " pilot TEXT NOT NULL DEFAULT '',"
    " receiver TEXT NOT NULL DEFAULT '',"
    " site_id INTEGER REFERENCES sites(id) ON DELETE SET NULL,"
    " note TEXT NOT NULL DEFAULT '',"
    " source TEXT NOT NULL DEFAULT '',"
    " fixes_hash TEXT NOT NULL UNIQUE);"
    "CREATE INDEX flights_by_takeoff ON flights(takeoff_time);"
    "CREATE INDEX flights_by_site ON flights(site_id);"
    "CREATE INDEX flights_by_glider ON flights(glider_id);"
    "CREATE TABLE fixes("
    " flight_id INTEGER NOT NULL REFERENCES flights(id) ON DELETE CASCADE,"
    " seq INTEGER NOT NULL,"
    " time INTEGER NOT NULL,"
    " latitude INTEGER NOT NULL,"
    " longitude INTEGER NOT NULL,"
    " altitude INTEGER NOT NULL,"
    " PRIMARY KEY(flight_id, seq)) WITHOUT ROWID;",
};
static_assert(std::size(kMigrations) == Logbook::kSchemaVersion);

struct StoredFix {
    std::int64_t time, latitude, longitude, altitude;
};

StoredFix stored(const LogbookFix& f) {
    return {f.time, std::llround(f.latitude * 1e7), std::llround(f.longitude * 1e7), std::llround(f.altitude * 10)};
}

// One prepared statement, finalised at the end of its scope.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) { rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    bool ok() const { return rc_ == SQLITE_OK && stmt_; }
    int rc() const { return rc_; }
    Statement& bind(int i, std::int64_t v) {
        sqlite3_bind_int64(stmt_, i, v);
        return *this;
    }
    Statement& bind(int i, double v) {
        sqlite3_bind_double(stmt_, i, v);
        return *this;
    }
    Statement& bind(int i, const std::string& v) {
        sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& bindNull(int i) {
        sqlite3_bind_null(stmt_, i);
        return *this;
    }
    // Binds the next parameter (from the first after a reset).
    template <typename T>
    Statement& add(const T& v) {
        return bind(next_++, v);
    }
    Statement& addNull() { return bindNull(next_++); }
    // SQLITE_ROW, SQLITE_DONE or an error.
    int step() { return rc_ = sqlite3_step(stmt_); }
    void reset() {
        next_ = 1;
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    std::int64_t integer(int i) const { return sqlite3_column_int64(stmt_, i); }
    double real(int i) const { return sqlite3_column_double(stmt_, i); }
    bool isNull(int i) const { return sqlite3_column_type(stmt_, i) == SQLITE_NULL; }
    std::string text(int i) const {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
        return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i))) : std::string();
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
    int rc_ = SQLITE_OK;
    int next_ = 1;
};

// The words for a failure of SQLite on the file at path.
std::string describe(sqlite3* db, int rc, const std::string& path) {
    switch (rc & 0xff) {
    case SQLITE_NOTADB:
        return path + " is not a logbook (not an SQLite database)";
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return path + " is locked by another program";
    case SQLITE_READONLY:
        return path + " is read-only";
    case SQLITE_FULL:
        return "the disk of " + path + " is full";
    case SQLITE_CORRUPT:
        return path + " is damaged (" + std::string(sqlite3_errstr(rc)) + ")";
    case SQLITE_CANTOPEN:
        return "cannot open " + path + (errno ? ": " + std::string(std::strerror(errno)) : std::string());
    default:
        return path + ": " + (db ? std::string(sqlite3_errmsg(db)) : std::string(sqlite3_errstr(rc)));
    }
}

int exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

// A value of a PRAGMA that returns one integer; false with rc set on failure.
bool pragmaInt(sqlite3* db, const char* sql, std::int64_t& value, int& rc) {
    Statement s(db, sql);
    if (!s.ok()) {
        rc = s.rc();
        return false;
    }
    rc = s.step();
    if (rc != SQLITE_ROW)
        return false;
    value = s.integer(0);
    rc = SQLITE_OK;
    return true;
}

// A transaction that is rolled back unless committed.
class Transaction {
public:
    explicit Transaction(sqlite3* db) : db_(db) { rc_ = exec(db, "BEGIN IMMEDIATE"); }
    ~Transaction() {
        if (rc_ == SQLITE_OK && !done_)
            exec(db_, "ROLLBACK");
    }
    int rc() const { return rc_; }
    int commit() {
        const int rc = exec(db_, "COMMIT");
        if (rc == SQLITE_OK)
            done_ = true;
        return rc;
    }

private:
    sqlite3* db_;
    int rc_;
    bool done_ = false;
};

std::string lowerAscii(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

const char* const kFlightColumns =
    "SELECT f.id, f.takeoff_time, f.landing_time, f.takeoff_latitude, f.takeoff_longitude, f.takeoff_altitude,"
    " f.landing_latitude, f.landing_longitude, f.landing_altitude, f.air_time_s, f.track_km, f.max_altitude,"
    " f.max_climb_ms, f.max_sink_ms, f.wind_kmh, f.wind_from_deg, f.wind_quality, f.xcontest_type, f.xcontest_km,"
    " f.xcontest_points, f.ffvl_type, f.ffvl_km, f.ffvl_points, g.name, f.pilot, f.receiver, f.site_id, s.name,"
    " f.note, f.source, f.fixes_hash"
    " FROM flights f LEFT JOIN sites s ON s.id = f.site_id LEFT JOIN gliders g ON g.id = f.glider_id";

LogbookFlight flightFrom(const Statement& s) {
    LogbookFlight f;
    int i = 0;
    f.id = s.integer(i++);
    f.takeoffTime = s.integer(i++);
    f.landingTime = s.integer(i++);
    f.takeoffLatitude = s.real(i++);
    f.takeoffLongitude = s.real(i++);
    f.takeoffAltitude = s.real(i++);
    f.landingLatitude = s.real(i++);
    f.landingLongitude = s.real(i++);
    f.landingAltitude = s.real(i++);
    f.airTimeS = s.real(i++);
    f.trackKm = s.real(i++);
    f.maxAltitude = s.real(i++);
    f.maxClimbMs = s.real(i++);
    f.maxSinkMs = s.real(i++);
    f.windKnown = !s.isNull(i);
    f.windKmh = s.real(i++);
    f.windFromDeg = s.real(i++);
    f.windQuality = s.real(i++);
    f.xcontest = {s.text(i), s.real(i + 1), s.real(i + 2)};
    i += 3;
    f.ffvl = {s.text(i), s.real(i + 1), s.real(i + 2)};
    i += 3;
    f.glider = s.text(i++);
    f.pilot = s.text(i++);
    f.receiver = s.text(i++);
    f.siteId = s.integer(i++);
    f.site = s.text(i++);
    f.note = s.text(i++);
    f.source = s.text(i++);
    f.hash = s.text(i++);
    return f;
}

} // namespace

std::string LogbookFlight::date() const {
    const std::time_t t = static_cast<std::time_t>(takeoffTime);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    return text;
}

bool LogbookFilter::matches(const LogbookFlight& f) const {
    if (year != 0 && f.date().compare(0, 4, std::to_string(year)) != 0)
        return false;
    if (!site.empty() && f.site != site)
        return false;
    if (!glider.empty() && f.glider != glider)
        return false;
    if (!text.empty()) {
        const std::string needle = lowerAscii(text);
        const std::string hay = lowerAscii(f.site + '\n' + f.glider + '\n' + f.note + '\n' + f.pilot + '\n' + f.source);
        if (hay.find(needle) == std::string::npos)
            return false;
    }
    return true;
}

std::vector<LogbookTotal> logbookTotals(std::span<const LogbookFlight> flights, LogbookGroup by) {
    std::map<std::string, LogbookTotal> groups;
    for (const LogbookFlight& f : flights) {
        std::string key;
        switch (by) {
        case LogbookGroup::All: key = "all"; break;
        case LogbookGroup::Year: key = f.date().substr(0, 4); break;
        case LogbookGroup::Glider: key = f.glider; break;
        case LogbookGroup::Site: key = f.site; break;
        }
        LogbookTotal& t = groups[key];
        t.key = key;
        ++t.flights;
        t.airTimeS += f.airTimeS;
        t.distanceKm += f.trackKm;
        t.points += f.xcontest.points;
    }
    std::vector<LogbookTotal> out;
    for (auto& [key, total] : groups)
        out.push_back(total);
    if (out.empty() && by == LogbookGroup::All)
        out.push_back({"all", 0, 0, 0, 0});
    return out;
}

std::string logbookFixesHash(std::span<const LogbookFix> fixes) {
    // FNV-1a over the stored integers, 8 little-endian bytes each.
    std::uint64_t h = 1469598103934665603ull;
    auto feed = [&](std::int64_t v) {
        auto u = static_cast<std::uint64_t>(v);
        for (int b = 0; b < 8; ++b) {
            h ^= (u >> (8 * b)) & 0xff;
            h *= 1099511628211ull;
        }
    };
    for (const LogbookFix& f : fixes) {
        const StoredFix s = stored(f);
        feed(s.time);
        feed(s.latitude);
        feed(s.longitude);
        feed(s.altitude);
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

std::string defaultLogbookPath() {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::filesystem::path base;
    if (data && *data == '/') {
        base = data;
    } else {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home && *home ? home : ".") / ".local" / "share";
    }
    return (base / "nuvrel" / "logbook.sqlite").string();
}

std::unique_ptr<Logbook> Logbook::open(const std::string& path, std::string& error, bool create) {
    error.clear();
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        error = path + " is not a logbook (not a file)";
        return nullptr;
    }
    if (!exists) {
        if (!create) {
            error = "no logbook at " + path;
            return nullptr;
        }
        std::error_code ec;
        const auto folder = std::filesystem::path(path).parent_path();
        if (!folder.empty())
            std::filesystem::create_directories(folder, ec);
        if (ec) {
            error = "cannot make the folder " + folder.string() + ": " + ec.message();
            return nullptr;
        }
    }
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (exists ? 0 : SQLITE_OPEN_CREATE) | SQLITE_OPEN_NOMUTEX;
    errno = 0;
    int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    std::unique_ptr<Logbook> book(new Logbook(db, path));
    if (rc != SQLITE_OK) {
        error = describe(db, rc, path);
        return nullptr;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 2000);

    std::int64_t appId = 0, version = 0, objects = 0;
    const auto readHeader = [&] {
        return pragmaInt(db, "PRAGMA application_id", appId, rc) && pragmaInt(db, "PRAGMA user_version", version, rc) &&
               pragmaInt(db, "SELECT count(*) FROM sqlite_schema", objects, rc);
    };
    bool read = readHeader();
    std::error_code ec;
    if (!read && exists && ((rc & 0xff) == SQLITE_READONLY || (rc & 0xff) == SQLITE_CANTOPEN) &&
        !std::filesystem::exists(path + "-wal", ec)) {
        // A logbook that may only be read, in a folder that may only be
        // read: SQLite cannot make the shared-memory file of WAL mode there.
        // With no write-ahead log beside it the file holds every change,
        // so it is read as it is.
        std::string uri = "file:";
        for (char c : path) {
            if (c == '%' || c == '?' || c == '#') {
                char esc[4];
                std::snprintf(esc, sizeof esc, "%%%02X", static_cast<unsigned char>(c));
                uri += esc;
            } else {
                uri += c;
            }
        }
        uri += "?immutable=1";
        book.reset();
        db = nullptr;
        rc = sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
        book.reset(new Logbook(db, path));
        read = rc == SQLITE_OK && readHeader();
    }
    if (!read) {
        error = describe(db, rc, path) + "; nothing changed";
        return nullptr;
    }
    if (appId != kApplicationId && (appId != 0 || objects != 0 || version != 0)) {
        error = path + " is an SQLite database of another program, not a logbook; nothing changed";
        return nullptr;
    }
    if (version > kSchemaVersion) {
        error = path + " is a logbook of a newer version (schema " + std::to_string(version) + "; this program reads up to " +
                std::to_string(kSchemaVersion) + "); nothing changed";
        return nullptr;
    }
    if (exec(db, "PRAGMA foreign_keys = ON") != SQLITE_OK) {
        error = describe(db, sqlite3_errcode(db), path);
        return nullptr;
    }
    if (version < kSchemaVersion) {
        if (book->readOnly()) {
            error = path + " is read-only" + (version == 0 ? " and not a logbook yet" : " and of an older schema") +
                    "; nothing changed";
            return nullptr;
        }
        // WAL is kept in the file; it is set outside a transaction.
        if (version == 0 && (rc = exec(db, "PRAGMA journal_mode = WAL")) != SQLITE_OK) {
            error = describe(db, rc, path) + "; nothing changed";
            return nullptr;
        }
        Transaction t(db);
        if (t.rc() != SQLITE_OK) {
            error = describe(db, t.rc(), path) + "; nothing changed";
            return nullptr;
        }
        // Another program may have brought it up to date meanwhile.
        if (!pragmaInt(db, "PRAGMA user_version", version, rc)) {
            error = describe(db, rc, path) + "; nothing changed";
            return nullptr;
        }
        for (std::int64_t v = version; v < kSchemaVersion; ++v) {
            if ((rc = exec(db, kMigrations[v])) != SQLITE_OK) {
                error = describe(db, rc, path) + "; nothing changed";
                return nullptr;
            }
        }
        const std::string stamp = "PRAGMA application_id = " + std::to_string(kApplicationId) +
                                  "; PRAGMA user_version = " + std::to_string(kSchemaVersion);
        if ((rc = exec(db, stamp.c_str())) != SQLITE_OK || (rc = t.commit()) != SQLITE_OK) {
            error = describe(db, rc, path) + "; nothing changed";
            return nullptr;
        }
    }
    exec(db, "PRAGMA synchronous = FULL");
    return book;
}

Logbook::~Logbook() { sqlite3_close_v2(db_); }

bool Logbook::readOnly() const { return sqlite3_db_readonly(db_, "main") == 1; }

std::string Logbook::failure(const char* what) {
    lastError_ = std::string(what) + ": " + describe(db_, sqlite3_extended_errcode(db_), path_) + "; nothing changed";
    return lastError_;
}

bool Logbook::contains(const std::string& hash) {
    Statement s(db_, "SELECT 1 FROM flights WHERE fixes_hash = ?");
    s.bind(1, hash);
    return s.step() == SQLITE_ROW;
}

std::int64_t Logbook::gliderId(const std::string& name) {
    if (name.empty())
        return 0;
    Statement find(db_, "SELECT id FROM gliders WHERE name = ?");
    find.bind(1, name);
    if (find.step() == SQLITE_ROW)
        return find.integer(0);
    Statement add(db_, "INSERT INTO gliders(name) VALUES(?)");
    add.bind(1, name);
    return add.step() == SQLITE_DONE ? sqlite3_last_insert_rowid(db_) : -1;
}

std::int64_t Logbook::siteFor(const LogbookFlight& f, std::span<const LogbookWaypoint> waypoints) {
    const auto distanceM = [&](double lat, double lon) {
        return MapDatum::SphericalDistance(f.takeoffLatitude, f.takeoffLongitude, lat, lon) * 1000;
    };
    std::int64_t best = 0;
    double bestM = 0;
    for (const LogbookSite& s : sites()) {
        const double d = distanceM(s.latitude, s.longitude);
        if (d <= s.radiusM && (best == 0 || d < bestM))
            best = s.id, bestM = d;
    }
    if (best != 0)
        return best;
    const LogbookWaypoint* nearest = nullptr;
    for (const LogbookWaypoint& w : waypoints) {
        const double d = distanceM(w.latitude, w.longitude);
        if (!w.name.empty() && d <= kLogbookWaypointReachM && (!nearest || d < bestM))
            nearest = &w, bestM = d;
    }
    if (nearest) {
        // A site already named after the waypoint is the same place.
        Statement named(db_, "SELECT id FROM sites WHERE name = ? ORDER BY id LIMIT 1");
        named.bind(1, nearest->name);
        if (named.step() == SQLITE_ROW)
            return named.integer(0);
    }
    Statement add(db_, "INSERT INTO sites(name, latitude, longitude, radius_m) VALUES(?, ?, ?, ?)");
    add.bind(1, nearest ? nearest->name : std::string())
        .bind(2, nearest ? nearest->latitude : f.takeoffLatitude)
        .bind(3, nearest ? nearest->longitude : f.takeoffLongitude)
        .bind(4, nearest ? std::max(kLogbookSiteRadiusM, bestM + 200) : kLogbookSiteRadiusM);
    return add.step() == SQLITE_DONE ? sqlite3_last_insert_rowid(db_) : -1;
}

Logbook::AddResult Logbook::add(std::span<const NewLogbookFlight> flights, std::span<const LogbookWaypoint> waypoints) {
    AddResult result;
    if (flights.empty())
        return result;
    if (readOnly()) {
        result.error = lastError_ = "cannot add to " + path_ + ": it is read-only; nothing changed";
        return result;
    }
    Transaction t(db_);
    if (t.rc() != SQLITE_OK) {
        result.error = failure("cannot add");
        return result;
    }
    Statement insert(db_,
                     "INSERT INTO flights(date, takeoff_time, landing_time, takeoff_latitude, takeoff_longitude,"
                     " takeoff_altitude, landing_latitude, landing_longitude, landing_altitude, air_time_s, track_km,"
                     " max_altitude, max_climb_ms, max_sink_ms, wind_kmh, wind_from_deg, wind_quality, xcontest_type,"
                     " xcontest_km, xcontest_points, ffvl_type, ffvl_km, ffvl_points, glider_id, pilot, receiver,"
                     " site_id, note, source, fixes_hash)"
                     " VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    Statement insertFix(db_, "INSERT INTO fixes(flight_id, seq, time, latitude, longitude, altitude) VALUES(?,?,?,?,?,?)");
    if (!insert.ok() || !insertFix.ok()) {
        result.error = failure("cannot add");
        return result;
    }
    std::set<std::string> added;
    for (const NewLogbookFlight& n : flights) {
        const LogbookFlight& f = n.flight;
        const std::string hash = f.hash.empty() ? logbookFixesHash(n.fixes) : f.hash;
        if (added.count(hash) || contains(hash)) {
            ++result.already;
            continue;
        }
        const std::int64_t site = f.siteId > 0 ? f.siteId : siteFor(f, waypoints);
        const std::int64_t glider = gliderId(f.glider);
        if (site < 0 || glider < 0) {
            result = {};
            result.error = failure("cannot add");
            return result;
        }
        insert.add(f.date()).add(f.takeoffTime).add(f.landingTime);
        insert.add(f.takeoffLatitude).add(f.takeoffLongitude).add(f.takeoffAltitude);
        insert.add(f.landingLatitude).add(f.landingLongitude).add(f.landingAltitude);
        insert.add(f.airTimeS).add(f.trackKm).add(f.maxAltitude).add(f.maxClimbMs).add(f.maxSinkMs);
        if (f.windKnown)
            insert.add(f.windKmh).add(f.windFromDeg).add(f.windQuality);
        else
            insert.addNull().addNull().addNull();
        insert.add(f.xcontest.type).add(f.xcontest.distanceKm).add(f.xcontest.points);
        insert.add(f.ffvl.type).add(f.ffvl.distanceKm).add(f.ffvl.points);
        if (glider > 0)
            insert.add(glider);
        else
            insert.addNull();
        insert.add(f.pilot).add(f.receiver).add(site).add(f.note).add(f.source).add(hash);
        if (insert.step() != SQLITE_DONE) {
            result = {};
            result.error = failure("cannot add");
            return result;
        }
        insert.reset();
        const std::int64_t id = sqlite3_last_insert_rowid(db_);
        std::int64_t seq = 0;
        for (const LogbookFix& fix : n.fixes) {
            const StoredFix s = stored(fix);
            insertFix.bind(1, id).bind(2, seq++).bind(3, s.time).bind(4, s.latitude).bind(5, s.longitude).bind(6, s.altitude);
            if (insertFix.step() != SQLITE_DONE) {
                result = {};
                result.error = failure("cannot add");
                return result;
            }
            insertFix.reset();
        }
        added.insert(hash);
        result.ids.push_back(id);
        ++result.added;
    }
    if (t.commit() != SQLITE_OK) {
        result = {};
        result.error = failure("cannot add");
    }
    return result;
}

std::vector<LogbookFlight> Logbook::flights(const LogbookFilter& filter) {
    std::vector<LogbookFlight> out;
    Statement s(db_, (std::string(kFlightColumns) + " ORDER BY f.takeoff_time, f.id").c_str());
    while (s.step() == SQLITE_ROW) {
        LogbookFlight f = flightFrom(s);
        if (filter.matches(f))
            out.push_back(std::move(f));
    }
    if (s.rc() != SQLITE_DONE)
        failure("cannot read");
    return out;
}

std::optional<LogbookFlight> Logbook::flight(std::int64_t id) {
    Statement s(db_, (std::string(kFlightColumns) + " WHERE f.id = ?").c_str());
    s.bind(1, id);
    if (s.step() != SQLITE_ROW)
        return std::nullopt;
    return flightFrom(s);
}

std::vector<LogbookFix> Logbook::fixes(std::int64_t id) {
    std::vector<LogbookFix> out;
    Statement s(db_, "SELECT time, latitude, longitude, altitude FROM fixes WHERE flight_id = ? ORDER BY seq");
    s.bind(1, id);
    while (s.step() == SQLITE_ROW)
        out.push_back({s.integer(0), static_cast<double>(s.integer(1)) / 1e7, static_cast<double>(s.integer(2)) / 1e7,
                       static_cast<double>(s.integer(3)) / 10});
    return out;
}

std::vector<LogbookSite> Logbook::sites() {
    std::vector<LogbookSite> out;
    Statement s(db_, "SELECT id, name, latitude, longitude, radius_m FROM sites ORDER BY id");
    while (s.step() == SQLITE_ROW)
        out.push_back({s.integer(0), s.text(1), s.real(2), s.real(3), s.real(4)});
    return out;
}

std::vector<std::string> Logbook::gliders() {
    std::vector<std::string> out;
    Statement s(db_, "SELECT name FROM gliders ORDER BY name");
    while (s.step() == SQLITE_ROW)
        out.push_back(s.text(0));
    return out;
}

std::string Logbook::edit(std::int64_t id, const std::optional<std::string>& site,
                          const std::optional<std::string>& glider, const std::optional<std::string>& note) {
    lastError_.clear();
    const std::optional<LogbookFlight> f = flight(id);
    if (!f)
        return lastError_ = "no flight " + std::to_string(id) + " in " + path_;
    if (site && site->empty())
        return lastError_ = "a site needs a name";
    if (readOnly())
        return lastError_ = "cannot change " + path_ + ": it is read-only; nothing changed";
    Transaction t(db_);
    if (t.rc() != SQLITE_OK)
        return failure("cannot change");
    if (site && *site != f->site) {
        std::int64_t siteId = 0;
        Statement named(db_, "SELECT id FROM sites WHERE name = ? ORDER BY id LIMIT 1");
        named.bind(1, *site);
        if (named.step() == SQLITE_ROW) {
            siteId = named.integer(0);
        } else if (f->siteId > 0 && f->site.empty()) {
            Statement rename(db_, "UPDATE sites SET name = ? WHERE id = ?");
            rename.bind(1, *site).bind(2, f->siteId);
            if (rename.step() != SQLITE_DONE)
                return failure("cannot change");
            siteId = f->siteId;
        } else {
            Statement add(db_, "INSERT INTO sites(name, latitude, longitude, radius_m) VALUES(?, ?, ?, ?)");
            add.bind(1, *site).bind(2, f->takeoffLatitude).bind(3, f->takeoffLongitude).bind(4, kLogbookSiteRadiusM);
            if (add.step() != SQLITE_DONE)
                return failure("cannot change");
            siteId = sqlite3_last_insert_rowid(db_);
        }
        Statement move(db_, "UPDATE flights SET site_id = ? WHERE id = ?");
        move.bind(1, siteId).bind(2, id);
        if (move.step() != SQLITE_DONE)
            return failure("cannot change");
    }
    if (glider) {
        const std::int64_t g = gliderId(*glider);
        Statement set(db_, "UPDATE flights SET glider_id = ? WHERE id = ?");
        if (g > 0)
            set.bind(1, g);
        else if (g == 0)
            set.bindNull(1);
        else
            return failure("cannot change");
        set.bind(2, id);
        if (set.step() != SQLITE_DONE)
            return failure("cannot change");
    }
    if (note) {
        Statement set(db_, "UPDATE flights SET note = ? WHERE id = ?");
        set.bind(1, *note).bind(2, id);
        if (set.step() != SQLITE_DONE)
            return failure("cannot change");
    }
    // A site left without a flight and without a name is no place of note.
    if (exec(db_, "DELETE FROM sites WHERE name = '' AND id NOT IN (SELECT site_id FROM flights WHERE site_id IS NOT NULL)") !=
            SQLITE_OK ||
        t.commit() != SQLITE_OK)
        return failure("cannot change");
    return {};
}

std::string Logbook::remove(std::int64_t id) {
    lastError_.clear();
    if (!flight(id))
        return lastError_ = "no flight " + std::to_string(id) + " in " + path_;
    if (readOnly())
        return lastError_ = "cannot remove from " + path_ + ": it is read-only; nothing changed";
    Transaction t(db_);
    if (t.rc() != SQLITE_OK)
        return failure("cannot remove");
    Statement del(db_, "DELETE FROM flights WHERE id = ?");
    del.bind(1, id);
    if (del.step() != SQLITE_DONE ||
        exec(db_, "DELETE FROM sites WHERE name = '' AND id NOT IN (SELECT site_id FROM flights WHERE site_id IS NOT NULL)") !=
            SQLITE_OK ||
        t.commit() != SQLITE_OK)
        return failure("cannot remove");
    return {};
}

} // namespace nuvrel
