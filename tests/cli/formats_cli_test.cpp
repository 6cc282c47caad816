// nuvrel-cli import and export, run as the real program.
#include "support/test_support.h"

#include <gtest/gtest.h>


#include <filesystem>

namespace nuvrel {
namespace {

using test::readFileBytes;
using test::TempDir;
using test::writeFileBytes;

using CliRun = test::ProgramRun;

// Runs the tool with its settings in dir (never the user's own).
CliRun run(const TempDir& dir, const std::vector<std::string>& args) {
    return test::runProgram(NUVREL_CLI, args, {"XDG_CONFIG_HOME=" + dir.path().string()});
}

std::string golden(const std::string& name) {
    return (std::filesystem::path(__FILE__).parent_path().parent_path() / "core" / "formats" / "golden" / name)
        .string();
}

TEST(FormatsCli, TextTrackRoundTripsThroughADataFile) {
    TempDir dir;
    const std::string nvl = (dir / "data.nvl").string();
    CliRun r = run(dir, {"import", "text", golden("track_decimal.txt"), "-o", nvl, "--tz", "JST-9"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("track: 3 points, last segment 2"), std::string::npos) << r.out;
    const std::string out = (dir / "out.txt").string();
    r = run(dir, {"export", "text", nvl, "-o", out, "--tz", "JST-9"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFileBytes(out), readFileBytes(golden("track_decimal.txt")));
    r = run(dir, {"export", "text", nvl, "-o", out, "--dms"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFileBytes(out), readFileBytes(golden("track_dms.txt")));
}

TEST(FormatsCli, WaypointsAndRoutesKeepTheOtherSections) {
    TempDir dir;
    const std::string nvl = (dir / "data.nvl").string();
    ASSERT_EQ(run(dir, {"import", "pot", golden("track.pot"), "-o", nvl}).status, 0);
    ASSERT_EQ(run(dir, {"import", "proatlas", golden("waypoints.csv"), "-o", nvl, "--waypoints"}).status, 0);
    CliRun r = run(dir, {"import", "pot", golden("routes.pot"), "-o", nvl, "--routes"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("routes: 2 added, 3 in all"), std::string::npos) << r.out;
    r = run(dir, {"info", nvl});
    EXPECT_NE(r.out.find("points: 3"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("waypoints: 2"), std::string::npos) << r.out;

    const std::string rte = (dir / "out.rte").string();
    r = run(dir, {"export", "pcx5", nvl, "-o", rte, "--routes", "--now", "1700000000", "--datum", "WGS 84"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string text = readFileBytes(rte);
    EXPECT_NE(text.find("M  G WGS 84               121 "), std::string::npos) << text;
    EXPECT_NE(text.find("R  01  HOME:start TO AWAY:e\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("14-NOV-23 22:13:20"), std::string::npos);
}

TEST(FormatsCli, NmeaImportAndErrors) {
    TempDir dir;
    const std::string nvl = (dir / "data.nvl").string();
    writeFileBytes(dir / "log.nme", "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n"
                                    "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n");
    CliRun r = run(dir, {"import", "nmea", (dir / "log.nme").string(), "-o", nvl});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("track: 1 points"), std::string::npos);

    r = run(dir, {"import", "nmea", (dir / "missing.nme").string(), "-o", nvl});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error 8: File open error"), std::string::npos) << r.err;
    r = run(dir, {"info", nvl}); // the data file was left as it was
    EXPECT_NE(r.out.find("points: 1"), std::string::npos);

    // Only void fixes: refused, with what was skipped and why.
    writeFileBytes(dir / "void.nme", "$GPRMC,123519,V,,,,,,,230394,,\r\n$GPRMC,123520,V,,,,,,,230394,,*7F\r\n");
    r = run(dir, {"import", "nmea", (dir / "void.nme").string(), "-o", nvl});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not an NMEA file: no valid position fix"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("import: skipped 1 RMC sentence without a valid fix (status V)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("import: skipped 1 sentence with a wrong checksum"), std::string::npos) << r.err;
    EXPECT_NE(run(dir, {"info", nvl}).out.find("points: 1"), std::string::npos);

    EXPECT_EQ(run(dir, {"import", "nosuchformat", "x", "-o", nvl}).status, 2);
    EXPECT_EQ(run(dir, {"import", "nmea", "x", "-o", nvl, "--waypoints"}).status, 2);
    EXPECT_EQ(run(dir, {"export", "nmea", nvl, "-o", "x"}).status, 2);
    EXPECT_EQ(run(dir, {"export", "text", nvl, "-o", "x", "--routes"}).status, 2);
    EXPECT_EQ(run(dir, {"export", "pot", nvl, "-o", (dir / "no" / "such.pot").string()}).status, 1);
}

TEST(FormatsCli, GpxTakesEveryKindAndRoundTrips) {
    TempDir dir;
    const std::string a = (dir / "a.nvl").string(), b = (dir / "b.nvl").string(), gpx = (dir / "a.gpx").string();
    CliRun r = run(dir, {"import", "gpx", golden("sample.gpx"), "-o", a});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "gpx: 3 track points, 2 waypoints, 2 routes\n");
    // Times are UTC whatever the computer's zone.
    r = test::runProgram(NUVREL_CLI, {"export", "gpx", a, "-o", gpx},
                         {"XDG_CONFIG_HOME=" + dir.path().string(), "TZ=Asia/Tokyo"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(readFileBytes(gpx).find("<time>2001-03-05T04:00:00Z</time>"), std::string::npos);
    ASSERT_EQ(run(dir, {"import", "gpx", gpx, "-o", b}).status, 0);
    for (const char* kind : {"--track", "--waypoints"}) {
        const std::string ta = (dir / "a.txt").string(), tb = (dir / "b.txt").string();
        ASSERT_EQ(run(dir, {"export", "text", a, "-o", ta, kind}).status, 0);
        ASSERT_EQ(run(dir, {"export", "text", b, "-o", tb, kind}).status, 0);
        EXPECT_EQ(readFileBytes(ta), readFileBytes(tb)) << kind;
    }

    // One kind only, each way.
    ASSERT_EQ(run(dir, {"export", "gpx", a, "-o", gpx, "--waypoints"}).status, 0);
    EXPECT_EQ(readFileBytes(gpx).find("<trk>"), std::string::npos);
    r = run(dir, {"import", "gpx", golden("sample.gpx"), "-o", (dir / "c.nvl").string(), "--routes"});
    EXPECT_EQ(r.out, "gpx: 0 track points, 0 waypoints, 2 routes\n");
    // The kind asked for and not there is named.
    r = run(dir, {"export", "gpx", (dir / "c.nvl").string(), "-o", (dir / "none.gpx").string(), "--track"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("holds no track\n"), std::string::npos) << r.err;

    // A malformed file: its line, exit 1, the data file as it was.
    writeFileBytes(dir / "bad.gpx", "<gpx>\n<trk>\n</gpx>\n");
    r = run(dir, {"import", "gpx", (dir / "bad.gpx").string(), "-o", a, "--track"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("bad.gpx: line 3: mismatched tag"), std::string::npos) << r.err;
    EXPECT_NE(run(dir, {"info", a}).out.find("points: 3"), std::string::npos);

    // What the import cut or skipped is listed after it.
    writeFileBytes(dir / "cut.gpx", "<gpx>\n<wpt lat='1' lon='1'><name>ABCDEFGHIJKLMNOPQRSTUVWXYZ</name></wpt>\n"
                                    "<wpt lat='1' lon='200'/></gpx>\n");
    r = run(dir, {"import", "gpx", (dir / "cut.gpx").string(), "-o", a});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "gpx: 0 track points, 1 waypoints, 0 routes\n");
    EXPECT_NE(r.err.find("Warning: " + (dir / "cut.gpx").string() +
                         ": 1 point skipped, 1 name cut\n"
                         "line 2: waypoint name \"ABCDEFGHIJKLMNOPQRSTUVWXYZ\" cut to 23 bytes: \"ABCDEFGHIJKLMNOPQRSTUVW\"\n"
                         "line 3: waypoint skipped: no usable position (lat=\"1\", lon=\"200\")\n"),
              std::string::npos)
        << r.err;
}

} // namespace
} // namespace nuvrel
