// Imports that find nothing to import: a file without a single valid record,
// a FIFO, a device. Each changes nothing and says why, at once.
#include "core/errors.h"
#include "core/formats/format_import.h"
#include "core/formats/format_registry.h"
#include "core/time_zone.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace nuvrel {
namespace {

enum class Kind { Track, Waypoints, Routes };

struct Case {
    const char* what;
    Kind kind;
    int fileKind;
    const char* content; // nullptr: the path itself is the case
    const char* path;
    const char* message;
};

constexpr const char* kNothing = "nothing imported: no valid record found";
constexpr const char* kOpenError = "File open error";

TEST(EmptyImport, ChangesNothingAndSaysWhy) {
    test::TempDir dir;
    const std::string fifo = (dir / "pipe").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const Case cases[] = {
        {"text track: a shopping list", Kind::Track, kTrackFileText, "eggs\r\nmilk, bread\r\n2 apples\r\n", nullptr,
         kNothing},
        {"text track: no line feed", Kind::Track, kTrackFileText, "just some words", nullptr, kNothing},
        {"text track: empty", Kind::Track, kTrackFileText, "", nullptr, kNothing},
        {"text waypoints: a list", Kind::Waypoints, kWaypointFileText, "tent,pegs,rope\r\nstove,gas\r\n", nullptr,
         kNothing},
        {"POT track: words", Kind::Track, kTrackFilePot, "milk\r\nbread\r\n", nullptr, kNothing},
        {"POT waypoints: words", Kind::Waypoints, kWaypointFilePot, "milk\r\nbread\r\n", nullptr, kNothing},
        {"POT routes: words", Kind::Routes, kWaypointFilePot, "milk\r\nbread\r\n", nullptr, kNothing},
        {"Pro Atlas log: words", Kind::Track, kTrackFileProAtlas, "buy some milk and bread today\r\n", nullptr,
         kNothing},
        {"Pro Atlas CSV: words", Kind::Waypoints, kWaypointFileProAtlas, "\"milk\",bread,butter\r\n", nullptr,
         kNothing},
        {"text track: FIFO", Kind::Track, kTrackFileText, nullptr, fifo.c_str(), kOpenError},
        {"POT track: FIFO", Kind::Track, kTrackFilePot, nullptr, fifo.c_str(), kOpenError},
        {"Pro Atlas: FIFO", Kind::Track, kTrackFileProAtlas, nullptr, fifo.c_str(), kOpenError},
        {"NMEA: FIFO", Kind::Track, kTrackFileNmea, nullptr, fifo.c_str(), kOpenError},
        {"text waypoints: /dev/zero", Kind::Waypoints, kWaypointFileText, nullptr, "/dev/zero", kOpenError},
        {"POT routes: /dev/zero", Kind::Routes, kWaypointFilePot, nullptr, "/dev/zero", kOpenError},
        {"NMEA: /dev/zero", Kind::Track, kTrackFileNmea, nullptr, "/dev/zero", kOpenError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::RecordingPrompts prompts;
        test::FixedTimeZone zone{ZoneInfo{0, false}};
        IFTGarminData data{DataContext{prompts, zone}};
        TrackPoint p{};
        p.latitude = 46;
        p.longitude = 7;
        data.setTrack(std::make_unique<IFTGarminTrack>(std::vector<TrackPoint>{p, p}));
        WaypointRecord w{};
        w.latitude = 46;
        data.setWaypoints(std::make_unique<IFTGarminWaypoint>(std::vector<WaypointRecord>{w}));
        CRouteField routes(1);
        std::string path = c.path ? c.path : (dir / "in.txt").string();
        if (c.content)
            test::writeFileBytes(path, c.content);

        bool imported = false;
        if (c.kind == Kind::Track)
            imported = ImportTrack(data, c.fileKind, path);
        else if (c.kind == Kind::Waypoints)
            imported = ImportWaypoints(data, c.fileKind, path);
        else
            imported = ImportPotRoutes(routes, path, prompts) > 0;
        EXPECT_FALSE(imported);
        ASSERT_NE(data.track(), nullptr);
        EXPECT_EQ(data.track()->count(), 2u);
        ASSERT_NE(data.waypoints(), nullptr);
        EXPECT_EQ(data.waypoints()->count(), 1u);
        EXPECT_EQ(routes.RouteCount(), 1u);
        ASSERT_EQ(prompts.entries.size(), 1u);
        EXPECT_EQ(prompts.entries[0].text, c.message);
    }
}

} // namespace
} // namespace nuvrel
