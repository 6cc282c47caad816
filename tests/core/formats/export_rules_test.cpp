// What every export writes of odd values: altitudes as decimals, altitudes
// the receiver did not know left out (GPX), a 2D fix (IGC) or on the ground
// (KML), and longitudes in [-180, 180) after the datum shift. GPX files are
// read back by GPSBabel, which drops what the GPX schema refuses.
#include "core/formats/gpx_format.h"
#include "core/formats/igc_format.h"
#include "core/formats/kml_format.h"
#include "core/formats/text_sink.h"
#include "core/geo/map_datum.h"
#include "sample_data.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <regex>

namespace nuvrel {
namespace {

// GPSBabel's unicsv rows of the waypoints (kind "-w") or the track ("-t").
std::string gpsbabelRows(const std::string& gpx, const char* kind) {
    std::string out;
    std::FILE* p = ::popen(("/usr/bin/gpsbabel " + std::string(kind) + " -i gpx -f '" + gpx +
                            "' -o unicsv -F - 2>&1").c_str(), "r");
    if (!p)
        return out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    ::pclose(p);
    std::erase(out, '\r');
    return out;
}

struct Case {
    const char* what;
    const char* datum;
    double latitude, longitude;
    float altitude;      // as held, in the datum
    bool known;          // a real altitude
    double wgsLongitude; // what the files carry (6 decimals)
};

TEST(ExportRules, AltitudesAndLongitudesEveryFormatWrites) {
    test::TempDir dir;
    double shiftedLat, shiftedLon, shiftedAlt; // the receiver's "unknown" after a download into Tokyo
    MapDatum("Tokyo").toLocal(35.5, 139.5, -9999.0, shiftedLat, shiftedLon, shiftedAlt);
    double antiLat, antiLon, antiAlt; // a point whose shift back crosses -180
    MapDatum("Tokyo").toLocal(35.5, 179.999990, 100.0, antiLat, antiLon, antiAlt);
    const Case cases[] = {
        {"tiny altitude", "WGS 84", 46.0, 7.0, -1.5392593e-06f, true, 7.0},
        {"large altitude", "WGS 84", 46.0, 7.0, 12345.5f, true, 7.0},
        {"unknown, WGS 84", "WGS 84", 46.0, 7.0, -9999.0f, false, 7.0},
        {"unknown, shifted into Tokyo", "Tokyo", shiftedLat, shiftedLon, float(shiftedAlt), false, 139.5},
        {"held east of 180", "WGS 84", 10.0, 180.25, 500.0f, true, -179.75},
        {"shifted back across -180", "Tokyo", antiLat, antiLon - 360.0, float(antiAlt), true, 179.99999},
    };
    const bool babel = std::filesystem::exists("/usr/bin/gpsbabel");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<TrackPoint> track{test::makePoint(c.latitude, c.longitude, c.altitude, 1, 983761200)};
        const std::vector<WaypointRecord> waypoints{
            test::makeWaypoint("W1", "", c.latitude, c.longitude, c.altitude, 0, 18, 0)};

        // GPX: decimal "ele" only for a known altitude; GPSBabel keeps both points.
        GpxSettings settings;
        settings.datumName = c.datum;
        const std::string gpx = (dir / "out.gpx").string();
        {
            TextSink out(gpx);
            writeGpx(out, GpxSource{track, waypoints, {}}, settings);
            ASSERT_TRUE(out.finish());
        }
        const std::string text = test::readFileBytes(gpx);
        std::smatch m;
        const std::regex ele("<ele>([^<]*)</ele>");
        EXPECT_EQ(std::distance(std::sregex_iterator(text.begin(), text.end(), ele), std::sregex_iterator()),
                  c.known ? 2 : 0);
        if (c.known) {
            ASSERT_TRUE(std::regex_search(text, m, ele));
            EXPECT_TRUE(std::regex_match(m[1].str(), std::regex("-?[0-9]+(\\.[0-9]+)?"))) << m[1];
            if (std::string(c.datum) == "WGS 84") {
                EXPECT_EQ(std::stof(m[1].str()), c.altitude);
            }
        }
        const std::regex lon("lon=\"(-?[0-9.]+)\"");
        for (auto it = std::sregex_iterator(text.begin(), text.end(), lon); it != std::sregex_iterator(); ++it) {
            const double v = std::stod((*it)[1].str());
            EXPECT_TRUE(v >= -180.0 && v < 180.0) << v;
            EXPECT_NEAR(v, c.wgsLongitude, 2e-6);
        }
        if (babel) {
            const std::string rows = gpsbabelRows(gpx, "-w") + gpsbabelRows(gpx, "-t");
            char want[32];
            std::snprintf(want, sizeof want, ",%.6f", c.wgsLongitude);
            std::size_t found = 0;
            for (std::size_t at = rows.find(want); at != std::string::npos; at = rows.find(want, at + 1))
                ++found;
            EXPECT_EQ(found, 2u) << rows;
        }

        // IGC: a 2D fix ("V", GNSS altitude 00000) for an unknown altitude.
        TextSink igc;
        IgcWriter(c.datum).writeFixes(igc, track);
        const std::string b = igc.text();
        if (c.longitude <= 180.0) { // IGC leaves out a position held beyond 180
            ASSERT_GE(b.size(), 35u);
            EXPECT_EQ(b.substr(24, 1), c.known ? "A" : "V") << b;
            if (!c.known) {
                EXPECT_EQ(b.substr(25, 10), "0000000000") << b;
            }
            EXPECT_LE(std::stoi(b.substr(15, 3)), 180) << b;
        }

        // KML: an unknown altitude lies on the ground.
        TextSink kml;
        KmlWriter(c.datum, KmlStyle{}).write(kml, track, waypoints);
        const std::string k = kml.text();
        EXPECT_EQ(k.find("clampToGround") != std::string::npos, !c.known) << k;
        EXPECT_EQ(k.find("-9999"), std::string::npos) << k;
    }
}

} // namespace
} // namespace nuvrel
