// nuvrel-cli logbook over real flight logs: each flight kept once, totals that
// are the sums of the entries, exports that the outside parser reads and the
// outside scorer scores as the entry says, and a logbook that survives a kill
// and refuses what it cannot safely change.
#include "support/igc_reference.h"
#include "support/outside_reference.h"
#include "support/score_reference.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <chrono>
#include <csignal>
#include <regex>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace nuvrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

test::ProgramRun cli(const TempDir& dir, std::vector<std::string> args) {
    args.insert(args.begin(), "logbook");
    return test::runProgram(NUVREL_CLI, args, {"XDG_CONFIG_HOME=" + (dir / "config").string(),
                                               "XDG_DATA_HOME=" + (dir / "data").string()});
}

// Small real logs (about two seconds to add), one with two flights.
std::vector<std::string> someRealLogs() {
    std::vector<std::string> out;
    for (const fs::path& p : test::realFlightLogs())
        for (const char* name : {"d3p.igc", "flat-xcontest-8.01.igc", "tri.igc", "flat-ffvl-26.37.igc", "MurphyJ-2022-03-26.igc",
                                 "discontinuity.igc"})
            if (p.filename() == name)
                out.push_back(p.string());
    return out;
}

std::vector<double> numbersOf(const std::string& json, const std::string& key) {
    std::vector<double> out;
    const std::regex re("\"" + key + "\":(-?[0-9.]+)");
    for (auto it = std::sregex_iterator(json.begin(), json.end(), re); it != std::sregex_iterator(); ++it)
        out.push_back(std::stod((*it)[1]));
    return out;
}

std::vector<std::string> textsOf(const std::string& json, const std::string& key) {
    std::vector<std::string> out;
    const std::regex re("\"" + key + "\":\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(json.begin(), json.end(), re); it != std::sregex_iterator(); ++it)
        out.push_back((*it)[1]);
    return out;
}

double sum(const std::vector<double>& v) {
    double s = 0;
    for (double x : v)
        s += x;
    return s;
}

std::string sqliteText(const fs::path& db, const char* sql) {
    sqlite3* h = nullptr;
    std::string out;
    if (sqlite3_open_v2(db.c_str(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK)
        sqlite3_exec(
            h, sql,
            [](void* o, int n, char** values, char**) {
                for (int i = 0; i < n; ++i)
                    *static_cast<std::string*>(o) += std::string(values[i] ? values[i] : "NULL") + (i + 1 < n ? "|" : "\n");
                return 0;
            },
            &out, nullptr);
    sqlite3_close(h);
    return out;
}

TEST(LogbookCli, RealLogsKeptOnceTotalledAndExportedAsTheOutsideToolsReadThem) {
    NUVREL_REQUIRE_REFERENCE(test::scoreReferenceAvailable() && test::igcReferenceAvailable(),
                             "node with igc-xc-score and igc-parser");
    TempDir dir;
    auto logs = someRealLogs();
    ASSERT_EQ(logs.size(), 6u);
    logs.resize(4);
    std::vector<std::string> add{"add"};
    add.insert(add.end(), logs.begin(), logs.end());
    test::ProgramRun r = cli(dir, add);
    ASSERT_EQ(r.status, 0) << r.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(r.out, m, std::regex("added ([0-9]+), already there 0\n"))) << r.out;
    const int n = std::stoi(m[1]);
    EXPECT_GE(n, 4);
    EXPECT_TRUE(fs::exists(dir / "data" / "nuvrel" / "logbook.sqlite"));
    // Each file again, in another order and twice in one go: nothing new.
    r = cli(dir, {"add", logs[2], logs[0], logs[1], logs[3], logs[0]});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "added 0, already there " + std::to_string(n + 1) + "\n");

    r = cli(dir, {"list", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string list = r.out;
    const auto ids = numbersOf(list, "id");
    ASSERT_EQ(ids.size(), std::size_t(n)) << list;
    // Totals are the sums of the entries, as a whole and by year.
    for (const char* by : {"", "year", "glider", "site"}) {
        std::vector<std::string> args{"totals", "--json"};
        if (*by)
            args.insert(args.end(), {"--by", by});
        r = cli(dir, args);
        ASSERT_EQ(r.status, 0) << r.err;
        SCOPED_TRACE(r.out);
        EXPECT_EQ(sum(numbersOf(r.out, "flights")), n);
        EXPECT_NEAR(sum(numbersOf(r.out, "air_time_s")), sum(numbersOf(list, "air_time_s")), 1.0);
        EXPECT_NEAR(sum(numbersOf(r.out, "distance_km")), sum(numbersOf(list, "distance_km")), 0.002 * n);
        EXPECT_NEAR(sum(numbersOf(r.out, "points")), sum(numbersOf(list, "score_points")), 0.01 * n);
    }

    // Each entry exported as IGC: read by igc-parser from take-off to
    // landing, and scored by igc-xc-score as the entry says.
    std::vector<fs::path> exports;
    std::map<fs::path, std::string> shown;
    for (double id : ids) {
        const std::string number = std::to_string(static_cast<int>(id));
        const fs::path out = dir / ("flight" + number + ".igc");
        r = cli(dir, {"export", number, "-o", out.string()});
        ASSERT_EQ(r.status, 0) << r.err;
        r = cli(dir, {"show", number, "--json"});
        ASSERT_EQ(r.status, 0) << r.err;
        shown[out] = r.out;
        exports.push_back(out);
    }
    std::FILE* ffvl = test::startScoreReference(exports, "FFVL", false);
    auto scored = test::runScoreReference(exports, "XContest", false);
    for (auto& f : test::readScoreReference(ffvl))
        for (auto& g : scored)
            if (g.file == f.file)
                g.scores.merge(f.scores);
    const auto parsed = test::readAllWithIgcParser(exports);
    ASSERT_EQ(scored.size(), exports.size());
    for (const auto& f : scored) {
        const std::string& json = shown[f.file];
        SCOPED_TRACE(f.file.filename().string() + " " + json);
        const auto reading = parsed.find(f.file.string());
        ASSERT_NE(reading, parsed.end());
        ASSERT_FALSE(reading->second.fixes.empty());
        const auto times = textsOf(json, "takeoff_time"), landings = textsOf(json, "landing_time");
        ASSERT_EQ(times.size(), 1u);
        auto iso = [](long long ms) {
            const std::time_t t = ms / 1000;
            std::tm tm{};
            gmtime_r(&t, &tm);
            char buf[32];
            std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
            return std::string(buf);
        };
        EXPECT_EQ(iso(reading->second.fixes.front().ms), times[0]);
        EXPECT_EQ(iso(reading->second.fixes.back().ms), landings[0]);
        const auto types = textsOf(json, "type");
        const auto points = numbersOf(json, "points");
        ASSERT_EQ(types.size(), 2u);
        ASSERT_EQ(points.size(), 2u);
        int k = 0;
        for (const char* rules : {"XContest", "FFVL"}) {
            const auto it = f.scores.find(rules);
            ASSERT_NE(it, f.scores.end()) << f.error;
            EXPECT_EQ(types[k], it->second.type) << rules << " " << it->second.json;
            // Within 0.1 %, or one leg's rounding to 10 m on a short flight.
            EXPECT_NEAR(points[k], it->second.points, std::max(0.0101, it->second.points * 0.001))
                << rules << " " << it->second.json;
            ++k;
        }
    }
    // The file holds the tables and the settings of a logbook.
    const fs::path db = dir / "data" / "nuvrel" / "logbook.sqlite";
    EXPECT_EQ(sqliteText(db, "PRAGMA journal_mode"), "wal\n");
    EXPECT_EQ(sqliteText(db, "PRAGMA user_version"), "1\n");
    EXPECT_EQ(sqliteText(db, "SELECT count(DISTINCT flight_id) FROM fixes"), std::to_string(n) + "\n");
    EXPECT_EQ(sqliteText(db, "PRAGMA integrity_check"), "ok\n");
}

// Sites: the nearest site whose radius holds the take-off, else a waypoint's
// name within 2 km, else a new unnamed site that one edit names for every
// flight there; gliders and notes edited in place; removal.
TEST(LogbookCli, SitesGlidersNotesAndRemoval) {
    NUVREL_REQUIRE_REFERENCE(!test::realFlightLogs().empty(), "the real flight logs of igc-xc-score");
    TempDir dir;
    fs::path tri;
    for (const fs::path& p : test::realFlightLogs())
        if (p.filename() == "tri.igc")
            tri = p;
    // A GPX of the same log with a waypoint 1.2 km from the take-off.
    const std::string gpx = (dir / "tri.gpx").string();
    ASSERT_EQ(test::runProgram("/usr/bin/gpsbabel", {"-i", "igc", "-f", tri.string(), "-o", "gpx", "-F", gpx}).status, 0);
    std::string text = test::readFileBytes(gpx);
    const auto at = text.find("<trk>");
    ASSERT_NE(at, std::string::npos);
    text.insert(at, "<wpt lat=\"45.3176\" lon=\"5.8879\"><name>PLANFAIT</name></wpt>\n");
    test::writeFileBytes(gpx, text);

    test::ProgramRun r = cli(dir, {"add", tri.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const fs::path db = dir / "data" / "nuvrel" / "logbook.sqlite";
    EXPECT_EQ(sqliteText(db, "SELECT name FROM sites s JOIN flights f ON f.site_id = s.id WHERE f.id = 1"), "\n");
    const std::string there =
        sqliteText(db, "SELECT count(*) FROM flights WHERE site_id = (SELECT site_id FROM flights WHERE id = 1)");
    // Naming the site names every flight that started there.
    r = cli(dir, {"edit", "1", "--site", "Planfait", "--glider", "Rush 6", "--note", "a \"first\" try"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = cli(dir, {"list", "--site", "Planfait", "--json"});
    EXPECT_EQ(std::to_string(textsOf(r.out, "site").size()) + "\n", there) << r.out;
    r = cli(dir, {"show", "1", "--json"});
    EXPECT_NE(r.out.find("\"glider\":\"Rush 6\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"note\":\"a \\\"first\\\" try\""), std::string::npos) << r.out;

    // A second logbook from the GPX with the waypoint: the site takes its name.
    r = cli(dir, {"add", gpx, "--logbook", (dir / "second.sqlite").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    r = cli(dir, {"list", "--json", "--logbook", (dir / "second.sqlite").string()});
    EXPECT_EQ(textsOf(r.out, "site").front(), "PLANFAIT") << r.out;

    const std::string before = cli(dir, {"list", "--json"}).out;
    const std::size_t count = numbersOf(before, "id").size();
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string says;
    } cases[] = {
        {{"remove", "99"}, 1, "no flight 99 in"},
        {{"edit", "0", "--note", "x"}, 2, "expects a flight number"},
        {{"export", "1", "-o", (dir / "x.kml").string()}, 2, "-o expects a name ending in .igc or .gpx"},
        {{"totals", "--by", "month"}, 2, "--by expects year, glider or site"},
        {{"remove", "1"}, 0, "flight 1 removed"},
    };
    for (const Case& c : cases) {
        r = cli(dir, c.args);
        EXPECT_EQ(r.status, c.status) << c.args[0] << r.err;
        EXPECT_NE((r.out + r.err).find(c.says), std::string::npos) << r.out << r.err;
    }
    r = cli(dir, {"list", "--json"});
    EXPECT_EQ(numbersOf(r.out, "id").size(), count - 1);
    r = cli(dir, {"export-csv", "-o", (dir / "book.csv").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string csv = test::readFileBytes(dir / "book.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), std::ptrdiff_t(count));
}

// Files a logbook must not change: a clear message, the bytes as they were.
TEST(LogbookCli, RefusesWhatItCannotSafelyChange) {
    NUVREL_REQUIRE_REFERENCE(!test::realFlightLogs().empty(), "the real flight logs of igc-xc-score");
    TempDir dir;
    fs::path log;
    for (const fs::path& p : test::realFlightLogs())
        if (p.filename() == "d3p.igc")
            log = p;
    const fs::path good = dir / "good.sqlite";
    ASSERT_EQ(cli(dir, {"add", log.string(), "--logbook", good.string()}).status, 0);

    const fs::path notSqlite = dir / "notes.sqlite", newer = dir / "newer.sqlite", other = dir / "other.sqlite";
    test::writeFileBytes(notSqlite, "Flights of 2024\nnot a database at all, but the user's notes\n");
    fs::copy_file(good, newer);
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(newer.c_str(), &h), SQLITE_OK);
    sqlite3_exec(h, "PRAGMA user_version = 2", nullptr, nullptr, nullptr);
    sqlite3_close(h);
    ASSERT_EQ(sqlite3_open(other.c_str(), &h), SQLITE_OK);
    sqlite3_exec(h, "CREATE TABLE recipes(name TEXT)", nullptr, nullptr, nullptr);
    sqlite3_close(h);
    struct Case {
        fs::path file;
        std::string says;
    } cases[] = {
        {notSqlite, "is not a logbook (not an SQLite database); nothing changed"},
        {newer, "is a logbook of a newer version (schema 2; this program reads up to 1); nothing changed"},
        {other, "is an SQLite database of another program, not a logbook; nothing changed"},
    };
    for (const Case& c : cases)
        for (const auto& args : std::vector<std::vector<std::string>>{{"add", log.string()}, {"list"}, {"remove", "1"}}) {
            const std::string bytes = test::readFileBytes(c.file);
            std::vector<std::string> a = args;
            a.insert(a.end(), {"--logbook", c.file.string()});
            const test::ProgramRun r = cli(dir, a);
            EXPECT_EQ(r.status, 1) << args[0];
            EXPECT_NE(r.err.find(c.file.string() + " " + c.says), std::string::npos) << r.err;
            EXPECT_EQ(test::readFileBytes(c.file), bytes) << args[0] << " changed " << c.file;
        }

    // Locked by another program's write: changes refused, reading goes on.
    ASSERT_EQ(sqlite3_open(good.c_str(), &h), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(h, "BEGIN IMMEDIATE; INSERT INTO gliders(name) VALUES('held')", nullptr, nullptr, nullptr),
              SQLITE_OK);
    test::ProgramRun r = cli(dir, {"edit", "1", "--note", "x", "--logbook", good.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is locked by another program; nothing changed"), std::string::npos) << r.err;
    r = cli(dir, {"list", "--logbook", good.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    sqlite3_exec(h, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(h);
    EXPECT_EQ(sqliteText(good, "SELECT note FROM flights"), "\n");

    // A full disk mid-add (the file size limit of the process): nothing added.
    const fs::path full = dir / "full.sqlite";
    fs::copy_file(good, full);
    std::vector<std::string> all;
    for (const fs::path& p : test::realFlightLogs())
        if (p.filename() == "tri.igc" || p.filename() == "flat-xcontest-8.01.igc")
            all.push_back(p.string());
    const auto size = fs::file_size(full);
    r = test::runProgram("/bin/sh", {"-c", "trap '' XFSZ; ulimit -f " + std::to_string(size / 512 + 8) + "; exec \"$0\" \"$@\"",
                                     NUVREL_CLI, "logbook", "add", all[0], all[1], "--logbook", full.string()},
                         {"XDG_CONFIG_HOME=" + (dir / "config").string()});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.err.find("nothing changed"), std::string::npos) << r.err;
    EXPECT_EQ(sqliteText(full, "SELECT count(*) FROM flights"), "1\n");
    EXPECT_EQ(sqliteText(full, "PRAGMA integrity_check"), "ok\n");
}

// kill -9 while flights are added, before and while the transaction is
// written: the logbook is whole and holds the flights of before or after.
TEST(LogbookCli, KilledAddLeavesTheFlightsOfBeforeOrAfter) {
    NUVREL_REQUIRE_REFERENCE(!test::realFlightLogs().empty(), "the real flight logs of igc-xc-score");
    TempDir dir;
    std::vector<std::string> logs = someRealLogs();
    ASSERT_EQ(logs.size(), 6u);
    const fs::path first = dir / "first.sqlite";
    ASSERT_EQ(cli(dir, {"add", logs[0], "--logbook", first.string()}).status, 0);
    const fs::path whole = dir / "whole.sqlite";
    fs::copy_file(first, whole);
    std::vector<std::string> add{"logbook", "add"};
    add.insert(add.end(), logs.begin() + 1, logs.end());
    test::ProgramRun r = test::runProgram(NUVREL_CLI, [&] {
        auto a = add;
        a.insert(a.end(), {"--logbook", whole.string()});
        return a;
    }(), {"XDG_CONFIG_HOME=" + (dir / "config").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string before = sqliteText(first, "SELECT count(*) FROM flights");
    const std::string after = sqliteText(whole, "SELECT count(*) FROM flights");
    ASSERT_NE(before, after);

    // Killed after a delay (while the logs are read and scored), and as
    // soon as the write-ahead log grows (while the flights are written).
    int hitWrite = 0;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const fs::path book = dir / ("killed" + std::to_string(attempt) + ".sqlite");
        fs::copy_file(first, book);
        const fs::path wal = book.string() + "-wal";
        std::vector<std::string> args = add;
        args.insert(args.end(), {"--logbook", book.string()});
        std::vector<char*> argv{const_cast<char*>(NUVREL_CLI)};
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
            ::freopen("/dev/null", "w", stdout);
            ::execv(NUVREL_CLI, argv.data());
            ::_exit(127);
        }
        const auto start = std::chrono::steady_clock::now();
        const auto delay = std::chrono::milliseconds(attempt == 0 ? 300 : 20000);
        int status = 0;
        bool exited = false;
        while (std::chrono::steady_clock::now() - start < delay) {
            std::error_code ec;
            if (attempt > 0 && fs::exists(wal, ec) && fs::file_size(wal, ec) > 0) {
                ++hitWrite;
                break;
            }
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                exited = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        if (!exited) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
        SCOPED_TRACE("attempt " + std::to_string(attempt));
        EXPECT_EQ(sqliteText(book, "PRAGMA integrity_check"), "ok\n");
        const std::string count = sqliteText(book, "SELECT count(*) FROM flights");
        EXPECT_TRUE(count == before || count == after) << count;
        EXPECT_EQ(sqliteText(book, "SELECT count(*) FROM fixes WHERE flight_id NOT IN (SELECT id FROM flights)"), "0\n");
    }
    EXPECT_GT(hitWrite, 0) << "no kill came while the flights were written";
}

// A logbook that may only be read, as a plain user: listed, never changed.
TEST(LogbookCli, ReadOnlyLogbookIsReadAndLeftAsItWas) {
    NUVREL_REQUIRE_REFERENCE(!test::realFlightLogs().empty(), "the real flight logs of igc-xc-score");
    if (::getuid() != 0 || ::access("/usr/bin/setpriv", X_OK) != 0)
        GTEST_SKIP() << "needs root and setpriv to run as nobody";
    TempDir dir;
    fs::path log;
    for (const fs::path& p : test::realFlightLogs())
        if (p.filename() == "d3p.igc")
            log = p;
    const fs::path shelf = dir / "shelf", book = shelf / "logbook.sqlite";
    fs::create_directories(shelf);
    ASSERT_EQ(cli(dir, {"add", log.string(), "--logbook", book.string()}).status, 0);
    ::chmod(dir.path().c_str(), 0755);
    ::chmod(shelf.c_str(), 0755);
    ::chmod(book.c_str(), 0644);
    const std::string bytes = test::readFileBytes(book);
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string says;
    } cases[] = {
        {{"list"}, 0, "2019-06-15"},
        {{"totals"}, 0, "all: 1 flights"},
        {{"add", log.string()}, 1, "cannot add to " + book.string() + ": it is read-only; nothing changed"},
        {{"edit", "1", "--note", "x"}, 1, "it is read-only; nothing changed"},
        {{"remove", "1"}, 1, "it is read-only; nothing changed"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"--reuid=nobody", "--regid=nogroup", "--clear-groups", NUVREL_CLI, "logbook"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.insert(args.end(), {"--logbook", book.string()});
        const test::ProgramRun r = test::runProgram("/usr/bin/setpriv", args, {"XDG_CONFIG_HOME=/nonexistent"});
        EXPECT_EQ(r.status, c.status) << c.args[0] << ": " << r.err;
        EXPECT_NE((r.out + r.err).find(c.says), std::string::npos) << c.args[0] << ": " << r.out << r.err;
    }
    EXPECT_EQ(test::readFileBytes(book), bytes);
    EXPECT_FALSE(fs::exists(shelf / "logbook.sqlite-wal"));
}

} // namespace
} // namespace nuvrel
