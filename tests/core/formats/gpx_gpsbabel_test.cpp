// GPX against an outside reader and writer: GPSBabel reads our files and
// lists the same points; the files it writes import exactly.
#include "core/formats/gpx_format.h"
#include "core/geo/map_datum.h"
#include "sample_data.h"
#include "support/test_support.h"
#include "support/outside_reference.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

namespace nuvrel {
namespace {

constexpr const char* kGpsbabel = "/usr/bin/gpsbabel";

std::string runGpsbabel(const std::string& arguments) {
    std::string out;
    std::FILE* p = ::popen((std::string(kGpsbabel) + " " + arguments + " 2>&1").c_str(), "r");
    if (!p)
        return out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    ::pclose(p);
    std::erase(out, '\r'); // its CSV lines end in CR LF
    return out;
}

GpxSettings tokyo() {
    GpxSettings s;
    s.datumName = "Tokyo";
    s.productId = 72;
    return s;
}

std::string writeSample(const test::TempDir& dir) {
    const auto track = test::sampleTrack();
    const auto waypoints = test::sampleWaypoints();
    const auto routes = test::sampleRoutes();
    const std::string path = (dir / "ours.gpx").string();
    TextSink out(path);
    writeGpx(out, GpxSource{track, waypoints, routes}, tokyo());
    EXPECT_TRUE(out.finish());
    return path;
}

class GpxGpsbabel : public ::testing::Test {
protected:
    void SetUp() override {
        NUVREL_REQUIRE_REFERENCE(std::filesystem::exists(kGpsbabel), "GPSBabel");
    }
    test::TempDir dir;
};

// unicsv rows of our track and waypoints: "lat,lon,name-or-date time" in
// WGS-84 with six decimals, as GPSBabel prints them.
TEST_F(GpxGpsbabel, ReadsOurFileWithTheSamePoints) {
    const std::string file = writeSample(dir);
    const MapDatum datum("Tokyo");
    auto wgs = [&](double lat, double lon, double alt) {
        double la, lo, h;
        datum.toWgs84(lat, lon, alt, la, lo, h);
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.6f,%.6f", la, lo);
        return std::string(buf);
    };
    std::string expected = "No,Latitude,Longitude,Altitude,Date,Time\n";
    int no = 0;
    for (const TrackPoint& p : test::sampleTrack()) {
        const std::string t = gpxTimeText(p.time); // 2001-03-05T03:00:00Z
        char ele[32];
        std::snprintf(ele, sizeof ele, "%.1f", [&] {
            double la, lo, h;
            datum.toWgs84(p.latitude, p.longitude, p.altitude, la, lo, h);
            return h;
        }());
        expected += std::to_string(++no) + "," + wgs(p.latitude, p.longitude, p.altitude) + "," + ele + "," +
                    t.substr(0, 4) + "/" + t.substr(5, 2) + "/" + t.substr(8, 2) + "," + t.substr(11, 8) + "\n";
    }
    EXPECT_EQ(runGpsbabel("-t -i gpx -f " + file + " -o unicsv,utc=0 -F -"), expected);

    const std::string waypoints = runGpsbabel("-i gpx -f " + file + " -o unicsv -F -");
    for (const WaypointRecord& w : test::sampleWaypoints()) {
        const std::string row = wgs(w.latitude, w.longitude, w.altitude) + ",\"" + w.ident + "\"";
        EXPECT_NE(waypoints.find(row), std::string::npos) << row << "\n" << waypoints;
    }
    const std::string routes = runGpsbabel("-r -i gpx -f " + file + " -o unicsv -F -");
    for (const char* name : {"\"HOME\"", "\"AWAY\"", "\"SOLO\""})
        EXPECT_NE(routes.find(name), std::string::npos) << routes;
}

// GPSBabel's own GPX of our data reads back as the data: positions to 1e-7
// degrees after both datum conversions, times exactly, names, comments (it
// fills an empty one with the name) and symbols.
TEST_F(GpxGpsbabel, ItsFilesImportExactly) {
    const std::string theirs = (dir / "theirs.gpx").string();
    const std::string log = runGpsbabel("-t -r -w -i gpx -f " + writeSample(dir) + " -o gpx -F " + theirs);
    ASSERT_TRUE(std::filesystem::exists(theirs)) << log;
    ASSERT_EQ(test::readFileBytes(theirs).find("Nuvrel"), std::string::npos); // its own file, not a copy
    const GpxRead read = readGpxFile(theirs, tokyo());
    ASSERT_EQ(read.error, "");
    const auto track = test::sampleTrack();
    ASSERT_EQ(read.content.track.size(), track.size());
    for (std::size_t i = 0; i < track.size(); ++i) {
        EXPECT_NEAR(read.content.track[i].latitude, track[i].latitude, 1e-7);
        EXPECT_NEAR(read.content.track[i].longitude, track[i].longitude, 1e-7);
        EXPECT_NEAR(read.content.track[i].altitude, track[i].altitude, 1e-3);
        EXPECT_EQ(read.content.track[i].time, track[i].time);
        EXPECT_EQ(read.content.track[i].segment, track[i].segment);
    }
    const auto waypoints = test::sampleWaypoints();
    ASSERT_EQ(read.content.waypoints.size(), waypoints.size());
    for (std::size_t i = 0; i < waypoints.size(); ++i) {
        const WaypointRecord& w = read.content.waypoints[i];
        EXPECT_NEAR(w.latitude, waypoints[i].latitude, 1e-7);
        EXPECT_NEAR(w.longitude, waypoints[i].longitude, 1e-7);
        EXPECT_STREQ(w.ident, waypoints[i].ident);
        EXPECT_STREQ(w.comment, waypoints[i].comment);
        EXPECT_EQ(w.symbol, waypoints[i].symbol);
    }
    ASSERT_EQ(read.content.routes.size(), 2u);
    EXPECT_EQ(read.content.routes[0].name, "HOME TO AWAY");
    EXPECT_STREQ(read.content.routes[0].entries[1].ident, "AWAY");
    EXPECT_STREQ(read.content.routes[0].entries[1].comment, "end point");
    EXPECT_NEAR(read.content.routes[1].entries[0].longitude, 2.5, 1e-7);
}

} // namespace
} // namespace nuvrel
