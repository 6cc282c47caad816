#include "core/formats/igc_import.h"
#include "core/formats/igc_reader.h"
#include "core/geo/map_datum.h"

#include "support/igc_reference.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace nuvrel {
namespace {

constexpr std::int64_t kDay = 1560556800; // 2019-06-15 00:00 UTC

std::int64_t unixTime(const TrackPoint& p) { return std::int64_t(p.time) + kReceiverEpochOffset; }

TEST(IgcReader, BadInputNamesTheLineAndGivesNothing) {
    const std::string date = "AXXX001\nHFDTE150619\n";
    const std::string fix = "B1200004700000N00800000EA0000000100\n";
    struct Case {
        std::string text;
        const char* error;
    } cases[] = {
        {"AXXX\n" + fix, "line 2: B record before the HFDTE date"},
        {"HFDTE321319\n" + fix, "line 1: bad date in HFDTE (DDMMYY)"},
        {date + fix + "B12000\n", "line 4: B record too short (6 characters, at least 30)"},
        {date + "B1260004700000N00800000EA0000000100\n", "line 3: bad time in B record (HHMMSS)"},
        {date + "B1200004760000N00800000EA0000000100\n", "line 3: bad latitude in B record (DDMMmmmN or S)"},
        {date + "B1200004700000X00800000EA0000000100\n", "line 3: bad latitude in B record (DDMMmmmN or S)"},
        {date + "B1200004700000N18100000EA0000000100\n", "line 3: bad longitude in B record (DDDMMmmmE or W)"},
        {date + "B1200004700000N00800000EX0000000100\n", "line 3: bad fix validity in B record (A or V)"},
        {date + "B1200004700000N00800000EA00x0000100\n", "line 3: bad pressure altitude in B record"},
        {date + "B1200004700000N00800000EA000000-1x0\n", "line 3: bad GNSS altitude in B record"},
        {"HFDTE150689\n" + fix, "line 2: fix before 1990, which a track cannot hold"},
        {date + "LXXX no fixes\n", "no B record (fix): not an IGC flight log"},
        {"<?xml version=\"1.0\"?>\n<gpx/>\n", "no B record (fix): not an IGC flight log"},
    };
    for (const Case& c : cases) {
        const IgcRead r = readIgcText(c.text, "WGS 84");
        EXPECT_EQ(r.error, c.error) << c.text;
        EXPECT_TRUE(r.points.empty()) << c.text;
    }
}

TEST(IgcReader, FixesDatedAltitudesChosenAndSegmented) {
    struct Point {
        std::int64_t time; // seconds after kDay
        double lat, lon, alt;
        int segment;
    };
    struct Case {
        const char* name;
        std::string text;
        std::vector<Point> points;
        std::size_t duplicates, voidFixes, pressure, timeBack;
        const char* altitudeSource;
    } cases[] = {
        {"both date forms, extra header lines, CR LF, a BOM",
         "\xEF\xBB\xBF" "AXXX001\r\nHFDTEDATE:150619,01\r\nHFPLTPILOT:Someone\r\nLXXX comment\r\n"
         "B1200004730500N00815250WA0123401300\r\nGXXXX\r\n",
         {{43200, 47.508333333, -8.254166667, 1300, 1}}, 0, 0, 0, 0, "GNSS"},
        {"the day rolls over where a time is more than an hour earlier",
         "HFDTE150619\nB2359004700000N00800000EA0000001000\nB0001004700000N00800000EA0000001010\n"
         "B2230004700000S00800000EA0000001020\n",
         {{86340, 47, 8, 1000, 1}, {86460, 47, 8, 1010, 1}, {167400, -47, 8, 1020, 1}},
         0, 0, 0, 0, "GNSS"},
        {"the same second dropped; time running back starts a segment",
         "HFDTE150619\nB1200004700000N00800000EA0000001000\nB1200004700100N00800000EA0000001005\n"
         "B1200104700000N00800000EV0000001010\nB1159304700000N00800000EA0000001020\n",
         {{43200, 47, 8, 1000, 1}, {43210, 47, 8, 1010, 1}, {43170, 47, 8, 1020, 2}}, 1, 1, 0, 1, "GNSS"},
        {"pressure altitude matched to the nearest GNSS altitude",
         "HFDTE150619\nB1200004700000N00800000EV00900\nB1200014700000N00800000EA0100001050\n"
         "B1200024700000N00800000EV0101000000\nB1200034700000N00800000EA0102001070\n"
         "B1200044700000N00800000EA0103001100\nB1200054700000N00800000EV0104000000\n",
         {{43200, 47, 8, 950, 1}, {43201, 47, 8, 1050, 1}, {43202, 47, 8, 1060, 1}, {43203, 47, 8, 1070, 1},
          {43204, 47, 8, 1100, 1}, {43205, 47, 8, 1110, 1}},
         0, 3, 3, 0, "GNSS and pressure"},
        {"pressure altitude throughout, negative values",
         "HFDTE150619\nB1200004700000N00800000EA-001200000\nB1200014700000N00800000EA0001000000\n",
         {{43200, 47, 8, -12, 1}, {43201, 47, 8, 10, 1}}, 0, 0, 2, 0, "pressure"},
        {"LAD and LOD add digits to the minutes",
         "HFDTE150619\nI023636LAD3737LOD\nB1200004730123N00815456EA000000010047\n",
         {{43200, 47 + 30.1234 / 60, 8 + 15.4567 / 60, 100, 1}}, 0, 0, 0, 0, "GNSS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const IgcRead r = readIgcText(c.text, "WGS 84");
        ASSERT_EQ(r.error, "");
        ASSERT_EQ(r.points.size(), c.points.size());
        for (std::size_t i = 0; i < c.points.size(); ++i) {
            const TrackPoint& p = r.points[i];
            EXPECT_EQ(unixTime(p), kDay + c.points[i].time) << i;
            EXPECT_NEAR(p.latitude, c.points[i].lat, 1e-9) << i;
            EXPECT_NEAR(p.longitude, c.points[i].lon, 1e-9) << i;
            EXPECT_NEAR(p.altitude, c.points[i].alt, 1e-3) << i;
            EXPECT_EQ(p.segment, c.points[i].segment) << i;
        }
        EXPECT_EQ(r.duplicates, c.duplicates);
        EXPECT_EQ(r.voidFixes, c.voidFixes);
        EXPECT_EQ(r.pressureFixes, c.pressure);
        EXPECT_EQ(r.timeBack, c.timeBack);
        EXPECT_EQ(r.altitudeSource(), c.altitudeSource);
    }
}

TEST(IgcReader, PositionsConvertedIntoTheSelectedDatum) {
    const IgcRead r = readIgcText("HFDTE150619\nB1200003541000N13945000EA0000000040\n", "Tokyo");
    ASSERT_EQ(r.points.size(), 1u);
    double lat = 0, lon = 0, h = 0;
    MapDatum("Tokyo").toLocal(35 + 41.0 / 60, 139.75, 40, lat, lon, h);
    EXPECT_DOUBLE_EQ(r.points[0].latitude, lat);
    EXPECT_DOUBLE_EQ(r.points[0].longitude, lon);
    EXPECT_FLOAT_EQ(r.points[0].altitude, float(h));
    EXPECT_GT(std::abs(lat - (35 + 41.0 / 60)), 0.002); // Tokyo is some 300 m off WGS-84 here
}

// Several logs become one track log, in the order of their first fixes; a
// bad one among them changes nothing.
TEST(IgcImport, SeveralLogsAppendAsSegmentsOrNothing) {
    test::TempDir dir;
    auto write = [&](const char* name, const std::string& text) {
        std::ofstream((dir / name).string()) << text;
        return (dir / name).string();
    };
    const std::string late = write("late.igc", "HFDTE160619\nB1000004700000N00800000EA0000000100\n");
    const std::string early = write("early.igc", "HFDTE150619\nB1000004700000N00800000EA0000000100\n"
                                                 "B0950004700000N00800000EA0000000100\n");
    const std::string bad = write("bad.igc", "HFDTE150619\nB10000\n");
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    IFTGarminData data(DataContext{prompts, zone});
    const std::vector<std::string> good{late, early};
    const IgcImport ok = ImportIgc(data, good, "WGS 84");
    ASSERT_EQ(ok.error, "");
    ASSERT_TRUE(data.track());
    ASSERT_EQ(data.track()->count(), 3u);
    EXPECT_EQ(data.track()->segment(0), 1); // early.igc, whose time runs back
    EXPECT_EQ(data.track()->segment(1), 2);
    EXPECT_EQ(data.track()->segment(2), 3); // late.igc
    EXPECT_EQ(data.track()->segmentCount(), 3u);

    const std::vector<std::string> withBad{early, bad};
    const IgcImport refused = ImportIgc(data, withBad, "WGS 84");
    EXPECT_EQ(refused.error, bad + ": line 2: B record too short (6 characters, at least 30)");
    EXPECT_EQ(prompts.count("message"), 1);
    EXPECT_EQ(data.track()->count(), 3u); // as it was
}

// Every real log read as the outside parser reads it: the same fixes (less
// those of the same second as the one before), times, positions and GNSS
// altitudes.
TEST(IgcReader, RealLogsReadAsIgcParserReadsThem) {
    const auto logs = test::realIgcLogs();
    if (logs.empty() || !test::igcReferenceAvailable())
        GTEST_SKIP() << "node or the npm references are not installed (scripts/install-deps)";
    ASSERT_EQ(logs.size(), 33u);
    const auto readings = test::readAllWithIgcParser(logs);
    ASSERT_EQ(readings.size(), logs.size());
    for (const auto& log : logs) {
        SCOPED_TRACE(log.filename().string());
        const test::IgcReading& theirs = readings.at(log);
        ASSERT_TRUE(theirs.ok) << theirs.header.count("error");
        const IgcRead ours = readIgcFile(log.string(), "WGS 84");
        ASSERT_EQ(ours.error, "");
        std::vector<const test::IgcReading::Fix*> fixes;
        for (const auto& f : theirs.fixes)
            if (fixes.empty() || fixes.back()->ms != f.ms)
                fixes.push_back(&f);
        ASSERT_EQ(ours.points.size(), fixes.size());
        EXPECT_EQ(ours.duplicates, theirs.fixes.size() - fixes.size());
        std::size_t off = 0;
        for (std::size_t i = 0; i < fixes.size(); ++i) {
            const TrackPoint& p = ours.points[i];
            const auto& f = *fixes[i];
            const bool same = unixTime(p) * 1000 == f.ms && std::abs(p.latitude - f.latitude) < 1e-9 &&
                              std::abs(p.longitude - f.longitude) < 1e-9 &&
                              (f.altitude == "null" || std::abs(p.altitude - std::stod(f.altitude)) < 1e-3);
            if (!same && off++ < 3)
                ADD_FAILURE() << "fix " << i << ": ours " << unixTime(p) << " " << p.latitude << " " << p.longitude
                              << " " << p.altitude << ", theirs " << f.ms << " " << f.latitude << " "
                              << f.longitude << " " << f.altitude;
        }
        EXPECT_EQ(off, 0u);
    }
}

} // namespace
} // namespace nuvrel
