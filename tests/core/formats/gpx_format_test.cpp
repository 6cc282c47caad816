#include "core/formats/gpx_format.h"
#include "sample_data.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace nuvrel {
namespace {

using test::goldenPath;
using test::readFileBytes;

std::string commandOutput(const std::string& command) {
    std::string out;
    std::FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    ::pclose(p);
    return out;
}

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
        {"CDATA and character references read, attributes in any order",
         "<gpx><wpt lon='2' lat='1'><name><![CDATA[A&B]]></name><cmt>x&#160;y&amp;z</cmt></wpt>"
         "<wpt lon='x' lat='1'><name>BAD</name></wpt></gpx>",
         "WA&B|x\xc2\xa0y&z|18;"},
        {"text inside a name's child elements is not the name", "<gpx><wpt lat='1' lon='1'><name>A<b>X</b>B</name></wpt></gpx>",
         "WAB||18;"},
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
        {"<gpx>\n<wpt lat='1' lon='1'><name>a <b</name></wpt></gpx>", "line 2: not well-formed (invalid token)"},
        // Two files one after the other: the second is not dropped unseen.
        {"<?xml version='1.0'?>\n<gpx><wpt lat='1' lon='1'/></gpx>\n<?xml version='1.0'?>\n<gpx/>",
         "line 3: junk after document element"},
        {"<gpx><wpt lat='1' lon='1'/></gpx>\n<gpx><wpt lat='2' lon='2'/></gpx>", "line 2: junk after document element"},
        {"<gpx>\n<wpt lat='1' lon='1'><name>A & B</name></wpt></gpx>", "line 2: not well-formed (invalid token)"},
        {"<gpx>\n\n<wpt lat='1' lon='1' lat='2'/></gpx>", "line 3: duplicate attribute"},
        {"<gpx>\n<wpt lat='1' lon='1' x='a<b'/></gpx>", "line 2: not well-formed (invalid token)"},
        {"<gpx>\n<wpt lat='1' lon='1'><name>M\xfcnchen</name></wpt></gpx>", "line 2: not well-formed (invalid token)"},
        {"<gpx>\n<wpt lat='1' lon='1'><cmt>x&nbsp;y</cmt></wpt></gpx>", "line 2: undefined entity"},
        {"<gpx>\n<wpt lat='1' lon='1'><name>A</name></gpx>", "line 2: mismatched tag"},
        {"<?xml version='1.0' encoding='Shift_JIS'?>\n<gpx>\n<wpt lat='1' lon='1'><name>\x81<</name></wpt></gpx>",
         "line 3: bytes that are not Shift_JIS"},
        {"<?xml version='1.0' encoding='Shift_JIS'?>\n<gpx><wpt lat='1' lon='1'><name>\x95</name></wpt></gpx>\n\x95",
         "line 2: bytes that are not Shift_JIS"},
        {"<?xml version='1.0' encoding='x-martian'?><gpx/>", "line 1: unknown encoding \"x-martian\""},
        {"<?xml version='1.0' encoding='../../etc/passwd'?><gpx/>", "line 1: unknown encoding \"../../etc/passwd\""},
    };
    test::TempDir dir;
    const auto empty = [](const GpxRead& r) {
        return r.content.track.empty() && r.content.waypoints.empty() && r.content.routes.empty() && r.notes.empty();
    };
    for (const auto& c : cases) {
        const GpxRead read = readGpxText(c.xml, GpxSettings{});
        EXPECT_EQ(read.error, c.error) << c.xml;
        EXPECT_TRUE(empty(read)) << c.xml;
        // The file reader counts the lines in the file itself.
        const auto path = dir.path() / "bad.gpx";
        test::writeFileBytes(path, c.xml);
        const GpxRead file = readGpxFile(path.string(), GpxSettings{});
        EXPECT_EQ(file.error, c.error) << c.xml;
        EXPECT_TRUE(empty(file)) << c.xml;
    }
    EXPECT_EQ(readGpxFile("/nonexistent/x.gpx", GpxSettings{}).error, "cannot open /nonexistent/x.gpx");
    EXPECT_EQ(readGpxFile("/dev/zero", GpxSettings{}).error, "cannot open /dev/zero: it is not a regular file");
}

// A file far longer than the pieces the reader takes at a time: characters
// cut by a piece's end are joined, lines are counted over every piece, and a
// fault near the end still refuses the whole file.
TEST(GpxFormat, LongFilesReadPieceByPiece) {
    for (const char* encoding : {"UTF-8", "Shift_JIS", "EUC-JP"}) {
        const bool sjis = std::string_view(encoding) == "Shift_JIS";
        const std::string fuji = sjis ? "\x95\x78\x8e\x6d\x8e\x52"
                                 : std::string_view(encoding) == "EUC-JP" ? "\xc9\xd9\xbb\xce\xbb\xb3"
                                                                          : "\xe5\xaf\x8c\xe5\xa3\xab\xe5\xb1\xb1";
        std::string xml = std::string("<?xml version='1.0' encoding='") + encoding + "'?>\n<gpx>\n";
        const int count = 8000; // some 350 kB: more than one piece of the file reader
        for (int i = 0; i < count; ++i)
            xml += "<wpt lat='1' lon='" + std::to_string(i % 7) + "'><name>" + fuji + std::string(i % 3, 'x') +
                   "</name></wpt>\n";
        test::TempDir dir;
        const auto path = dir.path() / "long.gpx";
        test::writeFileBytes(path, xml + "</gpx>\n");
        // From the file, and in pieces of a prime size that cut characters at every offset.
        for (const GpxRead& good : {readGpxFile(path.string(), GpxSettings{}),
                                    readGpxTextInPieces(xml + "</gpx>\n", 4093, GpxSettings{})}) {
            ASSERT_EQ(good.error, "") << encoding;
            ASSERT_EQ(good.content.waypoints.size(), static_cast<std::size_t>(count)) << encoding;
            for (int i = 0; i < count; ++i)
                ASSERT_EQ(std::string(good.content.waypoints[static_cast<std::size_t>(i)].ident),
                          "\xe5\xaf\x8c\xe5\xa3\xab\xe5\xb1\xb1" + std::string(i % 3, 'x'))
                    << encoding << " " << i;
        }
        test::writeFileBytes(path, xml + "<wpt lat='1' lon='1'>\n</gpx>\n");
        const GpxRead bad = readGpxFile(path.string(), GpxSettings{});
        EXPECT_EQ(bad.error, "line " + std::to_string(count + 4) + ": mismatched tag") << encoding;
        EXPECT_TRUE(bad.content.waypoints.empty()) << encoding;
    }
}

// The declared encoding is honoured, and a byte-order mark: every file
// below holds the same names; GPSBabel, reading the same files, agrees.
TEST(GpxFormat, DeclaredEncodings) {
    const struct {
        const char* name;
        std::string xml;
        std::string names; // "first|second" as UTF-8
    } cases[] = {
        {"Shift_JIS", "<?xml version='1.0' encoding='Shift_JIS'?><gpx><wpt lat='1' lon='1'><name>\x95\x78\x8e\x6d\x8e\x52</name></wpt>"
                      "<wpt lat='1' lon='1'><name>\xc4\xb3\xce\xb8 \\~</name></wpt></gpx>",
         "\xe5\xaf\x8c\xe5\xa3\xab\xe5\xb1\xb1|\xef\xbe\x84\xef\xbd\xb3\xef\xbe\x8e\xef\xbd\xb8 \\~"},
        {"cp932 by another name", "<?xml version=\"1.0\" encoding = \"windows-31j\" standalone=\"yes\"?>\n<gpx><wpt lat='1' lon='1'>"
                                  "<name>\x87\x40</name></wpt></gpx>",
         "\xe2\x91\xa0"},
        {"EUC-JP", "<?xml version='1.0' encoding='EUC-JP'?><gpx><wpt lat='1' lon='1'><name>\xc9\xd9\xbb\xce\xbb\xb3</name></wpt></gpx>",
         "\xe5\xaf\x8c\xe5\xa3\xab\xe5\xb1\xb1"},
        {"ISO-2022-JP, a stateful encoding",
         "<?xml version='1.0' encoding='ISO-2022-JP'?><gpx><wpt lat='1' lon='1'>\x3c\x6e\x61\x6d\x65\x3e\x1b\x24\x42\x49\x59\x3b\x4e"
         "\x3b\x33\x1b\x28\x42\x3c\x2f\x6e\x61\x6d\x65\x3e</wpt></gpx>",
         "\xe5\xaf\x8c\xe5\xa3\xab\xe5\xb1\xb1"},
        {"windows-1252", "<?xml version='1.0' encoding='windows-1252'?><gpx><wpt lat='1' lon='1'><name>Caf\xe9 \x80</name></wpt></gpx>",
         "Caf\xc3\xa9 \xe2\x82\xac"},
        {"ISO-8859-1", "<?xml version='1.0' encoding='iso-8859-1'?><gpx><wpt lat='1' lon='1'><name>M\xfcnchen</name></wpt></gpx>",
         "M\xc3\xbcnchen"},
        {"UTF-8 with a byte-order mark", "\xef\xbb\xbf<?xml version='1.0' encoding='UTF-8'?><gpx><wpt lat='1' lon='1'><name>"
                                         "\xe5\xaf\x8c\xe5\xa3\xab\xe5\xb1\xb1</name></wpt></gpx>",
         "\xe5\xaf\x8c\xe5\xa3\xab\xe5\xb1\xb1"},
        {"UTF-16LE with a byte-order mark", "", "M\xc3\xbcnchen"},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        std::string xml = c.xml;
        if (xml.empty()) { // widened from Latin-1 here
            xml = "\xff\xfe";
            for (const char ch : std::string("<?xml version='1.0' encoding='UTF-16'?><gpx><wpt lat='1' lon='1'><name>M\xfcnchen</name></wpt></gpx>"))
                xml += std::string{ch, '\0'};
        }
        const GpxRead read = readGpxText(xml, GpxSettings{});
        ASSERT_EQ(read.error, "") << c.name;
        std::string names;
        for (const WaypointRecord& w : read.content.waypoints)
            names += (names.empty() ? "" : "|") + std::string(w.ident);
        EXPECT_EQ(names, c.names) << c.name;
        // The same in pieces that cut every character somewhere.
        for (const std::size_t piece : {1, 2, 3, 5}) {
            const GpxRead cut = readGpxTextInPieces(xml, piece, GpxSettings{});
            EXPECT_EQ(cut.error, "") << c.name << " " << piece;
            std::string again;
            for (const WaypointRecord& w : cut.content.waypoints)
                again += (again.empty() ? "" : "|") + std::string(w.ident);
            EXPECT_EQ(again, names) << c.name << " " << piece;
        }

        // GPSBabel reads each file to the same names (where it knows the encoding).
        const auto path = dir.path() / "encoded.gpx";
        test::writeFileBytes(path, xml);
        if (!std::filesystem::exists("/usr/bin/gpsbabel") || std::string_view(c.name).find("stateful") != std::string_view::npos)
            continue;
        const std::string theirs =
            commandOutput("/usr/bin/gpsbabel -i gpx -f " + path.string() + " -o unicsv -F -");
        for (const WaypointRecord& w : read.content.waypoints)
            EXPECT_NE(theirs.find(",\"" + std::string(w.ident) + "\"\r\n"), std::string::npos) << c.name << theirs;
    }
    // In the CP932 code page the names are stored in CP932.
    GpxSettings cp932;
    cp932.codePage = CodePage::Cp932;
    const GpxRead read = readGpxText(cases[0].xml, cp932);
    ASSERT_EQ(read.content.waypoints.size(), 2u);
    EXPECT_STREQ(read.content.waypoints[0].ident, "\x95\x78\x8e\x6d\x8e\x52");
}

// Names and comments longer than the records' fields are cut, points without
// a usable position skipped, and each is listed with its line.
TEST(GpxFormat, CutsAndSkipsAreNoted) {
    std::string fuji22; // 66 bytes
    for (int i = 0; i < 22; ++i)
        fuji22 += "\xe5\xaf\x8c";
    const GpxRead read = readGpxText(
        "<gpx>\n<wpt lat='1' lon='1'><name>ABCDEFGHIJKLMNOPQRSTUVWXYZ</name>"
        "<cmt>0123456789012345678901234567890123456789012345678901234567890123456789</cmt></wpt>\n"
        "<wpt lat='91' lon='1'><name>NORTH</name></wpt>\n"
        "<trk><trkseg><trkpt lat='1' lon='1'/>\n<trkpt lat='1'/>\n<trkpt lat='1' lon='east'/></trkseg></trk>\n"
        "<rte><name>" + fuji22 + "</name>\n<rtept lat='1' lon='1'><name>\xe5\xaf\x8c\xe5\xa3\xab\xe5\xb1\xb1"
        "\xe5\xaf\x8c\xe5\xa3\xab\xe5\xb1\xb1\xe5\xaf\x8c\xe5\xa3\xab</name></rtept></rte>\n</gpx>",
        GpxSettings{});
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(read.content.waypoints.size(), 1u);
    EXPECT_EQ(read.content.track.size(), 1u);
    ASSERT_EQ(read.content.routes.size(), 1u);
    EXPECT_EQ(read.content.routes[0].name.size(), 63u); // 21 whole characters
    EXPECT_EQ(std::string(read.content.routes[0].entries[0].ident).size(), 21u);
    const std::vector<std::string> expected = {
        "3 points skipped, 3 names cut, 1 comment cut",
        "line 2: waypoint name \"ABCDEFGHIJKLMNOPQRSTUVWXYZ\" cut to 23 bytes: \"ABCDEFGHIJKLMNOPQRSTUVW\"",
        "line 2: comment of waypoint \"ABCDEFGHIJKLMNOPQRSTUVWXYZ\" \"0123456789012345678901234567890123456789...\" cut to 63 "
        "bytes: \"012345678901234567890123456789012345678901234567890123456789012\"",
        "line 3: waypoint skipped: no usable position (lat=\"91\", lon=\"1\")",
        "line 5: track point skipped: no usable position (lat=\"1\", lon=none)",
        "line 6: track point skipped: no usable position (lat=\"1\", lon=\"east\")",
        "line 8: route point name \"\xe5\xaf\x8c\xe5\xa3\xab\xe5\xb1\xb1\xe5\xaf\x8c\xe5\xa3\xab\xe5\xb1\xb1\xe5\xaf\x8c\xe5\xa3\xab\" cut to 23 bytes: "
        "\"\xe5\xaf\x8c\xe5\xa3\xab\xe5\xb1\xb1\xe5\xaf\x8c\xe5\xa3\xab\xe5\xb1\xb1\xe5\xaf\x8c\"",
        "line 7: route name \"" + fuji22.substr(0, 39) + "...\" cut to 63 bytes: \"" + fuji22.substr(0, 63) + "\"",
    };
    EXPECT_EQ(read.notes, expected);

    // Past twenty, the rest is counted.
    std::string many = "<gpx>";
    for (int i = 0; i < 25; ++i)
        many += "<wpt lat='x' lon='1'/>";
    const GpxRead skipped = readGpxText(many + "</gpx>", GpxSettings{});
    ASSERT_EQ(skipped.notes.size(), 22u);
    EXPECT_EQ(skipped.notes.front(), "25 points skipped");
    EXPECT_EQ(skipped.notes.back(), "and 5 more");
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
