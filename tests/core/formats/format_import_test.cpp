#include "core/errors.h"
#include "core/formats/format_export.h"
#include "core/formats/format_import.h"
#include "core/formats/format_read.h"
#include "core/formats/format_registry.h"
#include "core/time_zone.h"
#include "sample_data.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <ctime>

namespace nuvrel {
namespace {

using test::goldenPath;
using test::readFileBytes;
using test::writeFileBytes;

struct Fixture : ::testing::Test {
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone{ZoneInfo{-32400, false}};
    IFTGarminData data{DataContext{prompts, zone, [] { return std::int16_t{3}; }}};
    test::TempDir dir;

    std::string file(const std::string& name, const std::string& bytes) {
        writeFileBytes(dir / name, bytes);
        return (dir / name).string();
    }
};

using ImportDispatch = Fixture;

TEST_F(ImportDispatch, EveryTrackKindReplacesTheLogAndResetsTheOffset) {
    const std::string files[] = {readFileBytes(goldenPath("track.pot")), readFileBytes(goldenPath("track_decimal.txt")),
                                 readFileBytes(goldenPath("track.log")),
                                 "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n"};
    const std::size_t counts[] = {3, 3, 3, 1};
    for (int kind = 1; kind <= 4; ++kind) {
        data.setTimeOffset(5);
        EXPECT_TRUE(ImportTrack(data, kind, file("t" + std::to_string(kind), files[kind - 1])));
        ASSERT_NE(data.track(), nullptr);
        EXPECT_EQ(data.track()->count(), counts[kind - 1]) << kind;
        EXPECT_EQ(data.timeOffset(), -32400);
    }
    EXPECT_EQ(data.track()->segmentCount(), 1u);
    EXPECT_TRUE(prompts.entries.empty());
}

TEST_F(ImportDispatch, UnknownTrackKindIsError10AndKeepsTheLog) {
    data.setTrack(std::make_unique<IFTGarminTrack>(std::vector<TrackPoint>(2)));
    EXPECT_FALSE(ImportTrack(data, 5, file("t", "1,2\n")));
    ASSERT_NE(data.track(), nullptr);
    EXPECT_EQ(data.track()->count(), 2u);
    EXPECT_EQ(prompts.errors(), std::vector<int>{kErrUnsupportedFormat});
}

// A failed import costs nothing: the store, its modified flag and the offset
// stay as they were.
TEST_F(ImportDispatch, MissingFilesAndFilesWithoutLineFeeds) {
    data.setWaypoints(std::make_unique<IFTGarminWaypoint>(test::sampleWaypoints()));
    data.waypoints()->setModified(1);
    data.setTimeOffset(5);
    EXPECT_FALSE(ImportWaypoints(data, kWaypointFileText, (dir / "missing.txt").string()));
    EXPECT_EQ(data.waypoints()->count(), test::sampleWaypoints().size());
    EXPECT_EQ(data.waypoints()->modified(), 1);
    EXPECT_FALSE(ImportTrack(data, kTrackFilePot, file("one.pot", "ORD=POI/tex=/ido=1/kei=2/adr=1")));
    EXPECT_EQ(data.track(), nullptr);
    EXPECT_EQ(data.timeOffset(), 5);
    ImportWaypoints(data, kWaypointFilePot, file("empty.pot", ""));
    ImportTrack(data, kTrackFileNmea, file("none.nme", "$GPGGA,1,2,3,4,5,6,7,8,9\n"));
    EXPECT_EQ(prompts.errors(), (std::vector<int>{kErrFileOpen, kErrNotPotFile, kErrNotPotFile}));
    EXPECT_EQ(prompts.count("message"), 1); // no RMC sentence
    ImportWaypoints(data, 9, file("w", "A,1,2\n"));
    EXPECT_EQ(data.waypoints()->count(), 0u);
    EXPECT_EQ(prompts.entries.size(), 4u); // an unknown waypoint kind says nothing
}

TEST_F(ImportDispatch, WaypointsTakeTheDisplayDefault) {
    ImportWaypoints(data, kWaypointFilePot, goldenPath("waypoints.pot").string());
    ASSERT_EQ(data.waypoints()->count(), 2u);
    EXPECT_EQ(data.waypoints()->display(1), 3);
    ImportWaypoints(data, kWaypointFileProAtlas, goldenPath("waypoints.csv").string());
    EXPECT_EQ(data.waypoints()->display(0), 3);
}

TEST_F(ImportDispatch, BadInputsGiveNoCrashAndNoGarbage) {
    std::string binary;
    for (int i = 0; i < 100000; ++i)
        binary += static_cast<char>((i * 2654435761u) >> 24);
    const std::string longLines = std::string(20000, '1') + "\n" + std::string(20000, ',') + "\n";
    for (const std::string& bytes : {std::string(), binary, longLines, std::string(70000, 'x')}) {
        const std::string path = file("bad", bytes);
        for (int kind = 1; kind <= 4; ++kind)
            ImportTrack(data, kind, path);
        for (int kind = 1; kind <= 3; ++kind)
            ImportWaypoints(data, kind, path);
        CRouteField routes(1);
        EXPECT_EQ(ImportPotRoutes(routes, path, prompts), 0);
    }
}

TEST_F(ImportDispatch, PotRoutesAreAppended) {
    CRouteField routes(1);
    EXPECT_EQ(ImportPotRoutes(routes, goldenPath("routes.pot").string(), prompts), 2);
    ASSERT_EQ(routes.RouteCount(), 3u);
    EXPECT_EQ(routes.GetRouteName(1), "HOME:start TO AWAY:end point");
    EXPECT_EQ(routes.EntryCount(1), 2u);
    EXPECT_EQ(routes.GetEntryIdent(1, 1), "AWAY");
    EXPECT_EQ(routes.GetEntryComment(1, 1), "end point");
    EXPECT_EQ(routes.GetEntryAltitude(1, 1), -3.0f);
    EXPECT_EQ(routes.GetEntrySymbol(1, 0), 0);
    // A file whose last record is a waypoint imports nothing and says so.
    EXPECT_TRUE(prompts.entries.empty());
    const std::string mixed = readFileBytes(goldenPath("routes.pot")) + "ORD=POI/tex=W:x/ido=1/kei=1\r\n";
    EXPECT_EQ(ImportPotRoutes(routes, file("mixed.pot", mixed), prompts), 0);
    EXPECT_EQ(routes.RouteCount(), 3u);
    ASSERT_EQ(prompts.entries.size(), 1u);
    EXPECT_EQ(prompts.entries[0].text, "nothing imported: no valid record found");
}

// Export and import again through the data set, in zones with and without
// daylight saving: the time field comes back to the second.
TEST_F(ImportDispatch, TextRoundTripThroughTheDataSet) {
    CLibraryTimeZone systemZone;
    for (const char* tz : {"UTC", "JST-9", "Europe/Berlin", "America/New_York"}) {
        setenv("TZ", tz, 1);
        tzset();
        IFTGarminData set(DataContext{prompts, systemZone});
        set.setTrack(std::make_unique<IFTGarminTrack>(test::sampleTrack()));
        set.resetTimeOffset();
        const std::string path = (dir / "rt.txt").string();
        for (bool dms : {false, true}) {
            ExportSettings settings;
            settings.dms = dms;
            ASSERT_EQ(exportFile(path, *findFormat("text"), DataKind::Track, ExportSource{&set, nullptr}, settings),
                      ExportResult::Written);
            IFTGarminData back(DataContext{prompts, systemZone});
            ImportTrack(back, kTrackFileText, path);
            ASSERT_EQ(back.track()->count(), 3u);
            for (std::size_t i = 0; i < 3; ++i) {
                EXPECT_EQ(back.track()->point(i).time, set.track()->point(i).time) << tz;
                EXPECT_NEAR(back.track()->latitude(i), set.track()->latitude(i), 1e-6) << tz;
            }
        }
    }
    setenv("TZ", "UTC", 1);
    tzset();
}

TEST_F(ImportDispatch, ExportsNeedTheirStore) {
    const std::string path = (dir / "out").string();
    EXPECT_EQ(exportFile(path, *findFormat("pot"), DataKind::Track, ExportSource{&data, nullptr}, {}),
              ExportResult::NothingToWrite);
    EXPECT_EQ(exportFile(path, *findFormat("nmea"), DataKind::Track, ExportSource{&data, nullptr}, {}),
              ExportResult::NotSupported);
    CRouteField routes(1);
    EXPECT_EQ(exportFile((dir / "no" / "dir").string(), *findFormat("pcx5"), DataKind::Routes,
                         ExportSource{&data, &routes}, {}),
              ExportResult::CantCreate);
    EXPECT_FALSE(std::filesystem::exists(path));
}

// Large files are read with room made for the points their first megabyte
// suggests: whether the rest of the file has longer or shorter lines, every
// point arrives, in order, and little spare room is kept.
TEST(LargeImports, PointCountEstimatesNeverLoseOrKeepTooMuch) {
    test::TempDir dir;
    auto line = [](std::size_t i, bool wide) {
        char buf[96];
        std::snprintf(buf, sizeof buf, wide ? "%10.6f,%10.6f,%7.2f,%zu,%zu\r\n" : "%.1f,%.1f,%.0f,%zu,%zu\n",
                      35.0 + static_cast<double>(i % 1000) * 0.001, 139.0, 1.0, std::size_t{1}, 983761200 + i);
        return std::string(buf);
    };
    for (int shape = 0; shape < 3; ++shape) {
        // 0: one width throughout; 1: short lines, then wide ones; 2: wide, then short.
        std::string text;
        std::size_t count = 0;
        while (text.size() < (5u << 20)) {
            const bool first = text.size() < (1u << 20) + (1u << 19);
            text += line(count++, shape == 0 || (shape == 1) != first);
        }
        const auto path = dir / ("track" + std::to_string(shape) + ".txt");
        test::writeFileBytes(path, text);
        const TrackRead read = readTrackFile(kTrackFileText, path.string(), ImportOptions{});
        ASSERT_EQ(read.problem, ReadProblem::None);
        ASSERT_EQ(read.points.size(), count) << shape;
        for (std::size_t i = 0; i < count; i += 9973)
            ASSERT_EQ(read.points[i].time, 983761200 + i - kReceiverEpochOffset) << shape << " " << i;
        EXPECT_LE(read.points.capacity() - read.points.size(), read.points.size() / 8) << shape;
    }
}

TEST(FormatRegistry, OneTableSaysWhatEachFormatDoes) {
    EXPECT_EQ(findFormat("pot")->trackKind, kTrackFilePot);
    EXPECT_TRUE(findFormat("pot")->reads(DataKind::Routes));
    EXPECT_FALSE(findFormat("pcx5")->reads(DataKind::Track));
    EXPECT_TRUE(findFormat("pcx5")->writes(DataKind::Routes));
    EXPECT_FALSE(findFormat("text")->writes(DataKind::Routes));
    EXPECT_EQ(findFormat("nmea")->waypointKind, 0);
    EXPECT_TRUE(findFormat("gpx")->reads(DataKind::Routes) && findFormat("gpx")->writes(DataKind::Track));
    EXPECT_EQ(findFormat("nosuchformat"), nullptr);
}

TEST(DatumInfo, FromTheDatumTable) {
    const DatumInfo austria = datumInfoFor("Austria NS");
    EXPECT_EQ(austria.index, 13);
    EXPECT_EQ(austria.dx, 596);
    EXPECT_EQ(datumInfoFor("tokyo").name, "Tokyo");
    EXPECT_EQ(datumInfoFor("nothing").index, 116);
}

} // namespace
} // namespace nuvrel
