#include "core/formats/gpx_format.h"
#include "sample_data.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace nuvrel {
namespace {

using test::goldenPath;
using test::readFileBytes;

// The sample data in the "Tokyo" datum, symbols named by a GPS III (D104).
GpxSettings tokyo() {
    GpxSettings s;
    s.datumName = "Tokyo";
    s.productId = 72;
    s.displayDefault = 3;
    return s;
}

std::vector<CRouteField::Route> nonEmptyRoutes() {
    auto routes = test::sampleRoutes();
    routes.erase(routes.begin());
    return routes;
}

TEST(GpxFormat, GoldenFileAndRoundTripThroughIt) {
    const auto track = test::sampleTrack();
    const auto waypoints = test::sampleWaypoints();
    const auto routes = test::sampleRoutes();
    TextSink out;
    writeGpx(out, GpxSource{track, waypoints, routes}, tokyo());
    EXPECT_EQ(out.text(), readFileBytes(goldenPath("sample.gpx")));

    const GpxRead read = readGpxText(out.text(), tokyo());
    ASSERT_EQ(read.error, "");
    const GpxContent& c = read.content;
    ASSERT_EQ(c.track.size(), track.size());
    for (std::size_t i = 0; i < track.size(); ++i) {
        EXPECT_NEAR(c.track[i].latitude, track[i].latitude, 1e-7);
        EXPECT_NEAR(c.track[i].longitude, track[i].longitude, 1e-7);
        EXPECT_NEAR(c.track[i].altitude, track[i].altitude, 1e-3);
        EXPECT_EQ(c.track[i].time, track[i].time);
        EXPECT_EQ(c.track[i].segment, track[i].segment);
    }
    ASSERT_EQ(c.waypoints.size(), waypoints.size());
    for (std::size_t i = 0; i < waypoints.size(); ++i) {
        EXPECT_NEAR(c.waypoints[i].latitude, waypoints[i].latitude, 1e-7);
        EXPECT_NEAR(c.waypoints[i].longitude, waypoints[i].longitude, 1e-7);
        EXPECT_STREQ(c.waypoints[i].ident, waypoints[i].ident);
        EXPECT_STREQ(c.waypoints[i].comment, waypoints[i].comment);
        EXPECT_EQ(c.waypoints[i].symbol, waypoints[i].symbol);
        EXPECT_EQ(c.waypoints[i].display, 3);
    }
    const auto expected = nonEmptyRoutes();
    ASSERT_EQ(c.routes.size(), expected.size());
    for (std::size_t r = 0; r < expected.size(); ++r) {
        EXPECT_EQ(c.routes[r].name, expected[r].name);
        ASSERT_EQ(c.routes[r].entries.size(), expected[r].entries.size());
        for (std::size_t i = 0; i < expected[r].entries.size(); ++i) {
            EXPECT_STREQ(c.routes[r].entries[i].ident, expected[r].entries[i].ident);
            EXPECT_NEAR(c.routes[r].entries[i].latitude, expected[r].entries[i].latitude, 1e-7);
        }
    }
}

// What other programs write: a summary per point, "seg time lat lon alt",
// and per waypoint "name|comment|symbol".
std::string summary(const GpxContent& c) {
    std::string s;
    char buf[160];
    for (const TrackPoint& p : c.track) {
        std::snprintf(buf, sizeof buf, "T%d %s %.4f %.4f %g;", p.segment, p.time ? gpxTimeText(p.time).c_str() : "-",
                      p.latitude, p.longitude, static_cast<double>(p.altitude));
        s += buf;
    }
    for (const WaypointRecord& w : c.waypoints)
        s += "W" + std::string(w.ident) + "|" + w.comment + "|" + std::to_string(w.symbol) + ";";
    for (const auto& r : c.routes)
        s += "R" + r.name + ":" + std::to_string(r.entries.size()) + ";";
    return s;
}

TEST(GpxFormat, ReadsWhatOtherProgramsWrite) {
    const struct {
        const char* name;
        const char* xml;
        const char* expected;
    } cases[] = {
        {"GPX 1.0 with a prefix, no ele, a zone and fractions",
         "<g:gpx xmlns:g='http://www.topografix.com/GPX/1/0' version='1.0'><g:trk><g:trkseg>"
         "<g:trkpt lat='+48.5' lon='11.25'><g:time>2024-05-01T14:00:00.900+02:00</g:time></g:trkpt>"
         "<g:trkpt lat='48.5' lon='11.25'><g:ele>500</g:ele></g:trkpt></g:trkseg></g:trk></g:gpx>",
         "T1 2024-05-01T12:00:00Z 48.5000 11.2500 0;T1 - 48.5000 11.2500 500;"},
        {"segments numbered over every trk; extensions and unknown elements skipped",
         "<gpx><trk><name>a</name><trkseg><trkpt lat='1' lon='2'/></trkseg><trkseg/><trkseg>"
         "<trkpt lat='1' lon='3'><extensions><trkpt lat='9' lon='9'/><ele>7</ele></extensions></trkpt></trkseg></trk>"
         "<trk><trkseg><trkpt lat='1' lon='4'><speed>3</speed></trkpt></trkseg></trk>"
         "<extensions><wpt lat='5' lon='5'/></extensions></gpx>",
         "T1 - 1.0000 2.0000 0;T2 - 1.0000 3.0000 0;T3 - 1.0000 4.0000 0;"},
        {"points without a usable position are left out",
         "<gpx><wpt lat='91' lon='0'><name>N</name></wpt><wpt lat='x' lon='1'/><wpt lon='1'/>"
         "<wpt lat='1' lon='1'><name>OK</name></wpt></gpx>",
         "WOK||18;"},
        {"desc stands in for a missing cmt; symbols in any case, by number, or unknown",
         "<gpx><wpt lat='1' lon='1'><name>A</name><desc>d</desc><sym>WAYPOINT DOT</sym></wpt>"
         "<wpt lat='1' lon='1'><name>B</name><cmt>c</cmt><desc>d</desc><sym>Flag, Blue</sym></wpt>"
         "<wpt lat='1' lon='1'><name>C</name><sym>8</sym></wpt></gpx>",
         "WA|d|18;WB|c|18;WC||8;"},
        {"names longer than the fields are cut; routes without points are dropped",
         "<gpx><rte><name>EMPTY</name></rte><rte><name>R1</name><rtept lat='1' lon='1'>"
         "<name>ABCDEFGHIJKLMNOPQRSTUVWXYZ</name></rtept></rte><wpt lat='1' lon='1'><name>\n  PADDED\n</name></wpt>"
         "<wpt lat='1' lon='1'><name>ABCDEFGHIJKLMNOPQRSTUVWXYZ</name></wpt></gpx>",
         "WPADDED||18;WABCDEFGHIJKLMNOPQRSTUVW||18;RR1:1;"},
        {"CDATA read, unknown entities kept as written, attributes in any order",
         "<gpx><wpt lon='2' lat='1'><name><![CDATA[A&B]]></name><cmt>x&nbsp;y&amp;z</cmt></wpt>"
         "<wpt lon='x' lat='1'><name>BAD</name></wpt></gpx>",
         "WA&B|x&nbsp;y&z|18;"},
        {"a Latin-1 file", "<?xml version='1.0' encoding='ISO-8859-1'?><gpx><wpt lat='1' lon='1'><name>M\xfcnchen</name></wpt></gpx>",
         "WM\xc3\xbcnchen||18;"},
    };
    GpxSettings wgs;
    wgs.productId = 72;
    for (const auto& c : cases) {
        const GpxRead read = readGpxText(c.xml, wgs);
        EXPECT_EQ(read.error, "") << c.name;
        EXPECT_EQ(summary(read.content), c.expected) << c.name;
    }
    // Only the kinds asked for.
    const GpxRead tracks = readGpxText(cases[4].xml, wgs, GpxKinds{true, false, false});
    EXPECT_EQ(summary(tracks.content), "");
}

TEST(GpxFormat, MalformedFilesGiveTheLineAndNothingElse) {
    const struct {
        const char* xml;
        const char* error;
    } cases[] = {
        {"<gpx>\n<wpt lat='1' lon='1'/>\n<trk><trkseg>\n</trk></gpx>", "line 4: mismatched tag"},
        {"<gpx>\n<wpt lat='1' lon='1'/>\n", "line 3: no element found"},
        {"", "line 1: no element found"},
        {"<?xml version='1.0'?>\n<kml><Placemark/></kml>", "not a GPX file"},
        {"<gpx>\n<wpt lat='1' lon='1'><name>a <b</name></wpt></gpx>", "line 2: bad start tag"},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        const GpxRead read = readGpxText(c.xml, GpxSettings{});
        EXPECT_EQ(read.error, c.error) << c.xml;
        EXPECT_TRUE(read.content.waypoints.empty()) << c.xml;
        // The file reader counts the lines in the file itself.
        const auto path = dir.path() / "bad.gpx";
        test::writeFileBytes(path, c.xml);
        EXPECT_EQ(readGpxFile(path.string(), GpxSettings{}).error, c.error) << c.xml;
    }
    EXPECT_EQ(readGpxFile("/nonexistent/x.gpx", GpxSettings{}).error, "cannot open /nonexistent/x.gpx");
    EXPECT_EQ(readGpxFile("/dev/zero", GpxSettings{}).error, "cannot open /dev/zero: it is not a regular file");
}

TEST(GpxFormat, TimesInAndOut) {
    const struct {
        const char* text;
        bool ok;
        std::int64_t unix;
    } cases[] = {
        {"2023-11-14T22:13:20Z", true, 1700000000},
        {"2023-11-14T22:13:20.999Z", true, 1700000000},
        {"2023-11-15T07:13:20+09:00", true, 1700000000},
        {"2023-11-14T17:13:20-0500", true, 1700000000},
        {"2023-11-14T22:13:20", true, 1700000000},
        {"1989-12-31T00:00:01Z", true, kReceiverEpochOffset + 1},
        {"1989-12-30T23:59:59Z", false, 0},
        {"2023-11-14", false, 0},
        {"2023-11-14T22:13:20Zjunk", false, 0},
        {"2023-13-14T22:13:20Z", false, 0},
    };
    for (const auto& c : cases) {
        std::uint32_t t = 0;
        EXPECT_EQ(parseGpxTime(c.text, t), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(t, static_cast<std::uint32_t>(c.unix - kReceiverEpochOffset)) << c.text;
        }
    }
    EXPECT_EQ(gpxTimeText(static_cast<std::uint32_t>(1700000000 - kReceiverEpochOffset)), "2023-11-14T22:13:20Z");
}

TEST(GpxFormat, TextsAreUtf8FromTheCodePageAndEscaped) {
    std::vector<WaypointRecord> w = {test::makeWaypoint("", "", 35, 139, 0, 0, 18, 0)};
    // "Tokyo" in Shift_JIS, then markup and control characters.
    std::memcpy(w[0].ident, "\x93\x8c\x8b\x9e", 5);
    std::memcpy(w[0].comment, "a<b>&\"c\"\r\x01z", 12);
    GpxSettings cp932;
    cp932.codePage = CodePage::Cp932;
    cp932.productId = 72;
    TextSink out;
    writeGpx(out, GpxSource{{}, w, {}}, cp932);
    EXPECT_NE(out.text().find("<name>\xe6\x9d\xb1\xe4\xba\xac</name>"), std::string::npos) << out.text();
    EXPECT_NE(out.text().find("<cmt>a&lt;b&gt;&amp;&quot;c&quot;&#13;z</cmt>"), std::string::npos) << out.text();
    const GpxRead read = readGpxText(out.text(), cp932);
    ASSERT_EQ(read.content.waypoints.size(), 1u);
    EXPECT_STREQ(read.content.waypoints[0].ident, "\x93\x8c\x8b\x9e");
    EXPECT_STREQ(read.content.waypoints[0].comment, "a<b>&\"c\"\rz");

    // Bytes that are no UTF-8 never make the file malformed; the blanks a
    // download pads names with are left out.
    std::memcpy(w[0].ident, "A\x93\x8c" "B  ", 7);
    TextSink utf8;
    writeGpx(utf8, GpxSource{{}, w, {}}, GpxSettings{});
    EXPECT_EQ(readGpxText(utf8.text(), GpxSettings{}).error, "");
    EXPECT_NE(utf8.text().find("<name>AB</name>"), std::string::npos) << utf8.text();
}

} // namespace
} // namespace nuvrel
