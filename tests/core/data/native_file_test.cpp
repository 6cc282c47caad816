#include "core/data/native_file.h"

#include "core/time_zone.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace nuvrel {
namespace {

namespace fs = std::filesystem;
using test::FixedTimeZone;
using test::RecordingPrompts;
using test::TempDir;

// Builds file bytes by hand, little-endian.
struct Bytes {
    std::string s;
    template <typename T>
    Bytes& put(T v) {
        s.append(reinterpret_cast<const char*>(&v), sizeof v);
        return *this;
    }
    Bytes& u32(std::uint32_t v) { return put(v); }
    Bytes& i32(std::int32_t v) { return put(v); }
    Bytes& f64(double v) { return put(v); }
    Bytes& f32(float v) { return put(v); }
    Bytes& i16(std::int16_t v) { return put(v); }
    Bytes& text(const std::string& t, std::size_t width) {
        std::string f = t.substr(0, width);
        f.resize(width, '\0');
        s += f;
        return *this;
    }
    Bytes& zeros(std::size_t n) {
        s.append(n, '\0');
        return *this;
    }
    std::uint32_t size() const { return static_cast<std::uint32_t>(s.size()); }
    // The 108-byte header of version 2 and later.
    static Bytes header(std::int32_t version, std::int32_t track, std::int32_t waypoints, std::int32_t routes,
                        std::int32_t timeOffset = 0) {
        Bytes b;
        b.text("NUVREL", 16).i32(version).i32(track).i32(waypoints).i32(routes).zeros(72).i32(timeOffset);
        return b;
    }
    // A 24-byte track point of versions 1 to 4.
    Bytes& point24(double lat, double lon, std::uint32_t time, std::int16_t segment) {
        return f64(lat).f64(lon).u32(time).i16(segment).i16(0x5A5A);
    }
};

// A version 2 file: one point, two 32-byte waypoints, a route of one 40-byte entry.
Bytes version2File() {
    Bytes b = Bytes::header(2, 108, 108 + 8 + 24, 108 + 8 + 24 + 4 + 2 * 32, 12345);
    b.u32(1).u32(1).point24(1, 2, 3, 1);
    b.u32(2);
    b.f64(35.5).f64(139.5).f64(-1.0).text("ABCDEFGH", 8); // a full 8-byte name, no terminator
    b.f64(-35.5).f64(-139.5).zeros(8).text("SHORT", 8);
    b.u32(1).u32(1).text("R", 64).u32(0xFFFFFFFF);
    b.f64(10).f64(20).f32(50).i16(18).i16(1).f32(99).u32(0).text("ENTRY123", 8);
    return b;
}

// A version 4 file: no points, one 76-byte waypoint, a route of one 80-byte entry.
Bytes version4File() {
    Bytes b = Bytes::header(4, 108, 116, 116 + 4 + 76, -3600);
    b.u32(0).u32(0);
    b.u32(1).f64(35.25).f64(139.75).f32(50).i16(7).i16(2).text("SIXLTR", 52);
    b.u32(1).u32(1).text("FOUR", 64).u32(0);
    b.f64(1.5).f64(2.5).f32(30).i16(5).i16(1).text("NAME5678", 8).text(std::string(44, 'c'), 44).u32(0xDEADBEEF);
    return b;
}

struct NativeFileTest : ::testing::Test {
    RecordingPrompts prompts;
    FixedTimeZone zone{ZoneInfo{-32400, true}}; // offset -36000 by the zone rule
    std::int16_t displayDefault = 0;
    IFTGarminData data{DataContext{prompts, zone, [this] { return displayDefault; }}};
    CRouteField routes{1};
    TempDir dir;

    NativeFile::LoadResult loadBytes(const std::string& bytes) {
        return NativeFile::loadFromMemory(
            {reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()}, "test.nvl", data, routes);
    }
    int loadFile(const std::string& bytes) {
        const auto path = dir / "in.nvl";
        test::writeFileBytes(path, bytes);
        return data.load(path.string(), routes);
    }
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& e : prompts.entries)
            if (e.kind == "message")
                out.push_back(e.title + ": " + e.text);
        return out;
    }
};

// A data set with every kind of content.
void fill(IFTGarminData& data, CRouteField& routes) {
    std::vector<TrackPoint> pts(5);
    for (std::size_t i = 0; i < pts.size(); ++i) {
        pts[i].latitude = 35.0 + 0.01 * static_cast<double>(i);
        pts[i].longitude = 139.0 - 0.02 * static_cast<double>(i);
        pts[i].time = 1000000u + static_cast<std::uint32_t>(i);
        pts[i].segment = static_cast<std::int16_t>(1 + i / 3);
        pts[i].reserved = 0xABCD; // kept as it is
        pts[i].altitude = 100.5f + static_cast<float>(i);
        pts[i].depth = i == 4 ? 2.5f : 0.0f;
    }
    auto track = std::make_unique<IFTGarminTrack>(pts);
    track->setModified(1);
    data.setTrack(std::move(track));
    auto wpts = std::make_unique<IFTGarminWaypoint>();
    wpts->append("TAKEOFF", 35.5, 139.5, "launch", 3);
    wpts->append("LZ", 35.4, 139.6, "", 0);
    data.setWaypoints(std::move(wpts));
    data.setTimeOffset(-32400);
    routes = CRouteField(2);
    routes.SetRouteName(0, "AROUND");
    routes.AddRouteEntry(0, "A", 1, 2, "first", 18, 3, 50.0f, 10.0f);
    routes.AddRouteEntry(0, "B", 3, 4, "", 0, 0, 0.0f, 0.0f);
    // Route 1 stays empty.
}

void expectSameData(const IFTGarminData& a, const CRouteField& ra, const IFTGarminData& b, const CRouteField& rb) {
    ASSERT_TRUE(a.track() && b.track());
    ASSERT_EQ(a.track()->count(), b.track()->count());
    EXPECT_EQ(a.track()->segmentCount(), b.track()->segmentCount());
    EXPECT_EQ(0, std::memcmp(a.track()->points().data(), b.track()->points().data(), a.track()->points().size_bytes()));
    ASSERT_TRUE(a.waypoints() && b.waypoints());
    ASSERT_EQ(a.waypoints()->count(), b.waypoints()->count());
    EXPECT_EQ(0, std::memcmp(a.waypoints()->records().data(), b.waypoints()->records().data(),
                             a.waypoints()->records().size_bytes()));
    EXPECT_EQ(a.timeOffset(), b.timeOffset());
    ASSERT_EQ(ra.RouteCount(), rb.RouteCount());
    for (std::uint32_t r = 0; r < ra.RouteCount(); ++r) {
        EXPECT_EQ(ra.GetRouteName(r), rb.GetRouteName(r));
        ASSERT_EQ(ra.EntryCount(r), rb.EntryCount(r));
        if (ra.EntryCount(r) > 0) {
            EXPECT_EQ(0, std::memcmp(ra.routes()[r].entries.data(), rb.routes()[r].entries.data(),
                                     ra.EntryCount(r) * sizeof(RouteEntry)));
        }
    }
}

// ------------------------------------------------------------------ writing

TEST_F(NativeFileTest, EmptyDataSetWithOneRouteIs196Bytes) {
    data.setTimeOffset(-36000);
    const auto path = dir / "empty.nvl";
    ASSERT_TRUE(data.save(path.string(), &routes));
    Bytes want = Bytes::header(5, 108, 116, 120, -36000);
    want.u32(0).u32(0);       // track: count, segmentCount
    want.u32(0);              // waypoints
    want.u32(1);              // one route
    want.u32(0).text("ROUTE-00", 64).u32(0);
    EXPECT_EQ(196u, want.size());
    EXPECT_EQ(want.s, test::readFileBytes(path));
    EXPECT_TRUE(prompts.entries.empty());
}

TEST_F(NativeFileTest, WithoutARouteStoreTheRouteCountIsStillWritten) {
    const auto path = dir / "noroutes.nvl";
    ASSERT_TRUE(data.save(path.string(), nullptr));
    const std::string bytes = test::readFileBytes(path);
    ASSERT_EQ(124u, bytes.size());
    EXPECT_EQ(std::string(4, '\0'), bytes.substr(120));
    EXPECT_EQ(124u, NativeFile::fileSize(data, nullptr));
}

TEST_F(NativeFileTest, SectionsAreTheRecordsByteForByte) {
    fill(data, routes);
    const auto path = dir / "full.nvl";
    ASSERT_TRUE(data.save(path.string(), &routes));
    const std::string bytes = test::readFileBytes(path);
    ASSERT_EQ(NativeFile::fileSize(data, &routes), bytes.size());

    Bytes want = Bytes::header(5, 108, 108 + 8 + 5 * 32, 108 + 8 + 5 * 32 + 4 + 2 * 116, -32400);
    want.u32(5).u32(2);
    want.s.append(reinterpret_cast<const char*>(data.track()->points().data()), 5 * 32);
    want.u32(2);
    want.s.append(reinterpret_cast<const char*>(data.waypoints()->records().data()), 2 * 116);
    want.u32(2);
    want.u32(2).text("AROUND", 64).u32(0);
    want.u32(0).text("ROUTE-01", 64).u32(0);
    want.s.append(reinterpret_cast<const char*>(routes.routes()[0].entries.data()), 2 * 120);
    EXPECT_EQ(want.s, bytes);
}

TEST_F(NativeFileTest, RoundTripAndModifiedCleared) {
    fill(data, routes);
    data.waypoints()->setModified(1);
    const auto path = dir / "trip.nvl";
    ASSERT_TRUE(data.save(path.string(), &routes));
    EXPECT_EQ(0, data.track()->modified());
    EXPECT_EQ(0, data.waypoints()->modified());

    RecordingPrompts p2;
    FixedTimeZone z2;
    IFTGarminData copy{DataContext{p2, z2}};
    CRouteField r2(1);
    EXPECT_EQ(1, copy.load(path.string(), r2));
    EXPECT_TRUE(p2.entries.empty());
    EXPECT_EQ(0, z2.reads); // version 5 carries its time offset
    expectSameData(data, routes, copy, r2);
    EXPECT_EQ(0, copy.track()->modified());
    EXPECT_EQ(0, copy.waypoints()->modified());
    EXPECT_EQ(2.5f, copy.track()->point(4).depth);
    EXPECT_EQ(0xABCD, copy.track()->point(4).reserved);

    // Saving the loaded copy gives the same bytes again.
    const auto again = dir / "again.nvl";
    ASSERT_TRUE(copy.save(again.string(), &r2));
    EXPECT_EQ(test::readFileBytes(path), test::readFileBytes(again));
}

TEST_F(NativeFileTest, SaveReplacesAnOldFileAndKeepsItsPermissions) {
    const auto path = dir / "old.nvl";
    test::writeFileBytes(path, std::string(1000, 'x'));
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(data.save(path.string(), &routes));
    EXPECT_EQ(196u, fs::file_size(path));
    EXPECT_EQ(fs::perms(0640), fs::status(path).permissions() & fs::perms::mask);
    EXPECT_EQ(1, std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator())); // no temporary left
}

TEST_F(NativeFileTest, SaveThroughALinkReplacesTheLinkedFile) {
    const auto real = dir / "real.nvl";
    const auto link = dir / "link.nvl";
    test::writeFileBytes(real, "old");
    fs::create_symlink(real, link);
    ASSERT_TRUE(data.save(link.string(), &routes));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(196u, fs::file_size(real));
}

TEST_F(NativeFileTest, SaveIntoAMissingFolderFailsAndSaysSo) {
    fill(data, routes);
    EXPECT_FALSE(data.save((dir / "no" / "such" / "x.nvl").string(), &routes));
    ASSERT_EQ(1u, messages().size());
    EXPECT_NE(std::string::npos, messages()[0].find("Error: Cannot save"));
    EXPECT_NE(std::string::npos, messages()[0].find("No such file or directory"));
    EXPECT_EQ(1, data.track()->modified()); // nothing was saved
}

TEST_F(NativeFileTest, SaveIntoAReadOnlyFolderFailsAndLeavesTheOldFile) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    const auto sub = dir / "ro";
    fs::create_directory(sub);
    test::writeFileBytes(sub / "keep.nvl", "precious");
    ::chmod(sub.c_str(), 0555);
    EXPECT_FALSE(data.save((sub / "keep.nvl").string(), &routes));
    ::chmod(sub.c_str(), 0755);
    EXPECT_EQ(1, prompts.count("message"));
    EXPECT_EQ("precious", test::readFileBytes(sub / "keep.nvl"));
}

TEST_F(NativeFileTest, SaveOverAReadOnlyFileFails) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    const auto path = dir / "locked.nvl";
    test::writeFileBytes(path, "locked");
    ::chmod(path.c_str(), 0444);
    EXPECT_FALSE(data.save(path.string(), &routes));
    EXPECT_EQ(1, prompts.count("message"));
    EXPECT_EQ("locked", test::readFileBytes(path));
}

TEST_F(NativeFileTest, SaveOverAFolderFailsAndLeavesIt) {
    const auto sub = dir / "folder.nvl";
    fs::create_directory(sub);
    EXPECT_FALSE(data.save(sub.string(), &routes));
    EXPECT_EQ(1, prompts.count("message"));
    EXPECT_TRUE(fs::is_directory(sub));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()));
}

TEST_F(NativeFileTest, AnInterruptedSaveLeavesTheOldFileIntact) {
    // The file size limit makes the write fail half-way, as a full disk would.
    fill(data, routes);
    const auto path = dir / "keep.nvl";
    test::writeFileBytes(path, "the previous file");
    struct rlimit saved;
    ASSERT_EQ(0, ::getrlimit(RLIMIT_FSIZE, &saved));
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 300;
    ASSERT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &small));
    const bool ok = data.save(path.string(), &routes);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    ASSERT_EQ(1u, messages().size());
    EXPECT_NE(std::string::npos, messages()[0].find("Cannot save"));
    EXPECT_EQ("the previous file", test::readFileBytes(path));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()));
    EXPECT_EQ(1, data.track()->modified());
}

// Files that look like temporaries (of other programs, of saves that died)
// are not the save's to remove.
TEST_F(NativeFileTest, ASaveRemovesNoOtherFile) {
    const std::vector<std::string> others = {"notes.tmp2024-06", "photo.jpg.tmp99999-1", "keep.nvl.tmp1-4711",
                                             "keep.nvl.tmp", ".nuvrel-abcdefgh"};
    for (const std::string& name : others)
        test::writeFileBytes(dir / name, name);
    ASSERT_TRUE(data.save((dir / "keep.nvl").string(), &routes));
    for (const std::string& name : others)
        EXPECT_EQ(test::readFileBytes(dir / name), name);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 6);
}

// ------------------------------------------------------------------ reading old versions

TEST_F(NativeFileTest, Version1ThreePoints) {
    Bytes b;
    b.text("NUVREL", 16).i32(1).u32(3).u32(2);
    b.point24(35.1, 139.1, 100, 1).point24(35.2, 139.2, 101, 1).point24(35.3, 139.3, 102, 2);
    ASSERT_EQ(20u + 8 + 72, b.size());
    data.setWaypoints(std::make_unique<IFTGarminWaypoint>());
    data.waypoints()->append("KEEP", 1, 1, "", 0);
    routes.SetRouteName(0, "KEPT");

    EXPECT_EQ(1, loadFile(b.s));
    ASSERT_EQ(3u, data.track()->count());
    EXPECT_EQ(2u, data.track()->segmentCount());
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(0.0f, data.track()->point(i).altitude);
        EXPECT_EQ(0.0f, data.track()->point(i).depth);
        EXPECT_EQ(100u + i, data.track()->point(i).time);
    }
    EXPECT_DOUBLE_EQ(35.3, data.track()->latitude(2));
    EXPECT_EQ(2, data.track()->segment(2));
    EXPECT_EQ(-36000, data.timeOffset()); // from the zone, read again
    EXPECT_EQ(1, zone.reads);
    // Nothing else is read from a version 1 file.
    EXPECT_EQ("KEEP", data.waypoints()->ident(0));
    EXPECT_EQ("KEPT", routes.GetRouteName(0));
    EXPECT_TRUE(prompts.entries.empty());
}

TEST_F(NativeFileTest, Version2WaypointsAndRoutes) {
    displayDefault = 3; // as for a receiver with the D104 format
    const Bytes b = version2File();
    EXPECT_EQ(1, loadFile(b.s));
    EXPECT_EQ(-36000, data.timeOffset()); // version 2 carries none
    ASSERT_EQ(2u, data.waypoints()->count());
    EXPECT_EQ("ABCDEFGH", data.waypoints()->ident(0));
    EXPECT_DOUBLE_EQ(35.5, data.waypoints()->latitude(0));
    EXPECT_DOUBLE_EQ(139.5, data.waypoints()->longitude(0));
    EXPECT_EQ(0.0, data.waypoints()->altitude(0));
    EXPECT_EQ(0.0, data.waypoints()->proximity(0));
    EXPECT_EQ(0, data.waypoints()->symbol(0));
    EXPECT_EQ(3, data.waypoints()->display(0)); // the display default
    EXPECT_EQ("", data.waypoints()->comment(0));
    EXPECT_EQ("SHORT", data.waypoints()->ident(1));
    ASSERT_EQ(1u, routes.RouteCount());
    EXPECT_EQ("R", routes.GetRouteName(0));
    ASSERT_EQ(1u, routes.EntryCount(0));
    EXPECT_EQ(10.0, routes.GetEntryLatitude(0, 0));
    EXPECT_EQ(20.0, routes.GetEntryLongitude(0, 0));
    EXPECT_EQ(50.0f, routes.GetEntryProximity(0, 0));
    EXPECT_EQ(18, routes.GetEntrySymbol(0, 0));
    EXPECT_EQ(1, routes.GetEntryDisplay(0, 0));
    EXPECT_EQ(99.0f, routes.GetEntryAltitude(0, 0)); // bytes 24-27 stay in place
    EXPECT_EQ("ENTRY123", routes.GetEntryIdent(0, 0));
    EXPECT_EQ("", routes.GetEntryComment(0, 0));
}

TEST_F(NativeFileTest, Version3TakesTheTimeOffsetFromTheFile) {
    Bytes b = Bytes::header(3, 108, 116, 120, 7200);
    b.u32(0).u32(0).u32(0).u32(0);
    EXPECT_EQ(1, loadFile(b.s));
    EXPECT_EQ(7200, data.timeOffset());
    EXPECT_EQ(0, zone.reads);
    EXPECT_EQ(0u, data.track()->count());
    EXPECT_EQ(0u, data.waypoints()->count());
    EXPECT_EQ(0u, routes.RouteCount()); // a route count of 0 leaves no routes
}

TEST_F(NativeFileTest, Version4WaypointAndRouteEntry) {
    const Bytes b = version4File();
    ASSERT_EQ(108u + 8 + 4 + 76 + 4 + 72 + 80, b.size());
    EXPECT_EQ(1, loadFile(b.s));
    EXPECT_EQ(-3600, data.timeOffset());
    ASSERT_EQ(1u, data.waypoints()->count());
    EXPECT_EQ("SIXLTR", data.waypoints()->ident(0));
    EXPECT_EQ(50.0, data.waypoints()->proximity(0));
    EXPECT_EQ(0.0, data.waypoints()->altitude(0));
    EXPECT_EQ("", data.waypoints()->comment(0));
    EXPECT_EQ(7, data.waypoints()->symbol(0));
    EXPECT_EQ(2, data.waypoints()->display(0));
    EXPECT_DOUBLE_EQ(35.25, data.waypoints()->latitude(0));

    ASSERT_EQ(1u, routes.EntryCount(0));
    EXPECT_EQ(1.5, routes.GetEntryLatitude(0, 0));
    EXPECT_EQ(2.5, routes.GetEntryLongitude(0, 0));
    EXPECT_EQ(30.0f, routes.GetEntryProximity(0, 0));
    EXPECT_EQ(5, routes.GetEntrySymbol(0, 0));
    EXPECT_EQ(1, routes.GetEntryDisplay(0, 0));
    EXPECT_EQ(0.0f, routes.GetEntryAltitude(0, 0));
    EXPECT_EQ("NAME5678", routes.GetEntryIdent(0, 0));
    EXPECT_EQ(std::string(44, 'c'), routes.GetEntryComment(0, 0));
    EXPECT_EQ(0u, routes.routes()[0].entries[0].reserved);
}

TEST_F(NativeFileTest, Version4NameLongerThanItsFieldIsCut) {
    Bytes b = Bytes::header(4, 0, 108, 0);
    b.u32(1).zeros(24).text(std::string(40, 'n'), 52);
    EXPECT_EQ(1, loadFile(b.s));
    EXPECT_EQ(std::string(23, 'n'), data.waypoints()->ident(0));
}

TEST_F(NativeFileTest, ZeroOffsetsLeaveThoseStoresAsTheyWere) {
    Bytes b = Bytes::header(5, 108, 0, 0, 60);
    b.u32(0).u32(0);
    data.setWaypoints(std::make_unique<IFTGarminWaypoint>());
    data.waypoints()->append("KEEP", 1, 1, "", 0);
    routes.SetRouteName(0, "KEPT");
    EXPECT_EQ(1, loadFile(b.s));
    ASSERT_NE(nullptr, data.track());
    EXPECT_EQ(0u, data.track()->count());
    EXPECT_EQ("KEEP", data.waypoints()->ident(0));
    EXPECT_EQ("KEPT", routes.GetRouteName(0));

    // All three offsets 0: nothing is read.
    EXPECT_EQ(0, loadFile(Bytes::header(5, 0, 0, 0).s));
}

TEST_F(NativeFileTest, Version5TextsAreTerminatedOnReading) {
    Bytes b = Bytes::header(5, 0, 108, 108 + 4 + 116);
    b.u32(1).zeros(28).text(std::string(24, 'i'), 24).text(std::string(64, 'c'), 64);
    b.u32(1).u32(1).text(std::string(64, 'r'), 64).u32(0);
    b.zeros(32).text(std::string(24, 'e'), 24).text(std::string(64, 'k'), 64);
    EXPECT_EQ(1, loadFile(b.s));
    EXPECT_EQ(std::string(23, 'i'), data.waypoints()->ident(0));
    EXPECT_EQ(std::string(63, 'c'), data.waypoints()->comment(0));
    EXPECT_EQ(std::string(63, 'r'), routes.GetRouteName(0));
    EXPECT_EQ(std::string(23, 'e'), routes.GetEntryIdent(0, 0));
    EXPECT_EQ(std::string(63, 'k'), routes.GetEntryComment(0, 0));
}

// ------------------------------------------------------------------ refused files

TEST_F(NativeFileTest, WrongMagicAndVersionsChangeNothing) {
    fill(data, routes);
    struct Case {
        std::string bytes;
        int error;
    } cases[] = {
        {Bytes::header(5, 108, 116, 120).s.replace(0, 6, "nuvrel"), 7},
        {"", 7},
        {"NUV", 7},
        {std::string(200, '\0'), 7},
        {Bytes::header(0, 108, 116, 120).s, 10},
        {Bytes::header(6, 108, 116, 120).s, 10},
        {Bytes::header(-1, 108, 116, 120).s, 10},
        {Bytes::header(0x7FFFFFFF, 108, 116, 120).s, 10},
    };
    for (const auto& c : cases) {
        prompts.entries.clear();
        EXPECT_EQ(0, loadFile(c.bytes));
        EXPECT_EQ(std::vector<int>{c.error}, prompts.errors()) << c.bytes.size();
        EXPECT_EQ(5u, data.track()->count());
        EXPECT_EQ(2u, data.waypoints()->count());
        EXPECT_EQ(2u, routes.RouteCount());
        EXPECT_EQ(-32400, data.timeOffset());
    }
    prompts.entries.clear();
    EXPECT_EQ(0, loadFile(Bytes::header(5, 108, 116, 120).s.replace(0, 6, "nuvrel")));
    ASSERT_EQ(1u, prompts.entries.size());
    EXPECT_EQ("not a NUVREL file", prompts.entries[0].text);
}

TEST_F(NativeFileTest, BytesAfterTheMagicAreNotChecked) {
    Bytes b = Bytes::header(5, 108, 116, 120);
    b.s.replace(6, 10, "0123456789");
    b.u32(0).u32(0).u32(0).u32(0);
    EXPECT_EQ(1, loadFile(b.s));
}

TEST_F(NativeFileTest, MissingFileAndFolderAreReported) {
    EXPECT_EQ(0, data.load((dir / "absent.nvl").string(), routes));
    EXPECT_EQ(0, data.load(dir.path().string(), routes));
    const auto fifo = dir / "fifo.nvl"; // refused at once, not waited on for a writer
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    EXPECT_EQ(0, data.load(fifo.string(), routes));
    const auto m = messages();
    ASSERT_EQ(3u, m.size());
    EXPECT_NE(std::string::npos, m[0].find("No such file or directory"));
    EXPECT_NE(std::string::npos, m[1].find("folder"));
    EXPECT_NE(std::string::npos, m[2].find("not a regular file"));
}

// A file that fails anywhere leaves the data set as it was, byte for byte,
// with its stores' `modified` flags.
TEST_F(NativeFileTest, AFailedLoadChangesNothing) {
    // A version 5 file of 5 points, 2 waypoints and 2 routes (2 and 0 entries).
    RecordingPrompts wp;
    FixedTimeZone wz;
    IFTGarminData writer{DataContext{wp, wz}};
    CRouteField written(1);
    fill(writer, written);
    const auto path = dir / "whole.nvl";
    ASSERT_TRUE(writer.save(path.string(), &written));
    const std::string whole = test::readFileBytes(path);
    constexpr std::size_t kWaypointsAt = 108 + 8 + 5 * 32, kRoutesAt = kWaypointsAt + 4 + 2 * 116;
    ASSERT_EQ(kRoutesAt + 4 + 2 * 72 + 2 * 120, whole.size());
    const auto withField = [&](std::size_t at, std::int32_t v) {
        std::string b = whole;
        std::memcpy(b.data() + at, &v, 4);
        return b;
    };
    const std::string damaged = "Error: \"test.nvl\" is damaged: ";
    struct Case {
        const char* what;
        std::string bytes;
        std::string message; // the start of it
    } cases[] = {
        {"cut in the header", whole.substr(0, 60), damaged + "it ends inside its header"},
        {"cut in the track", whole.substr(0, 108 + 8 + 70), damaged + "its track section promises 5"},
        {"cut in the waypoints", whole.substr(0, kWaypointsAt + 4 + 116), damaged + "its waypoint section promises 2"},
        {"cut in the route headers", whole.substr(0, kRoutesAt + 4 + 72), damaged + "its route section promises 2"},
        {"cut in the route entries", whole.substr(0, whole.size() - 1), damaged + "its routes promise more entries"},
        {"too many points", withField(108, 100000), damaged + "its track section promises 100000"},
        {"too many waypoints", withField(kWaypointsAt, 1000), damaged + "its waypoint section promises 1000"},
        {"too many routes", withField(kRoutesAt, 1000), damaged + "its route section promises 1000"},
        {"too many entries", withField(kRoutesAt + 4, 3), damaged + "its routes promise more entries"},
        {"negative route offset", withField(28, -4), damaged + "its route section lies outside the file"},
        {"waypoints beyond the end", withField(24, 1 << 30), damaged + "its waypoint section lies outside"},
        {"bad magic", std::string(whole).replace(0, 6, "NUVREX"), "Error 7: not a NUVREL file"},
        {"version too high", withField(16, 6), "Error 10: unsupport version/format"},
    };
    for (const Case& c : cases) {
        fill(data, routes);
        data.waypoints()->setModified(0); // track modified, waypoints not
        data.setTimeOffset(4711);
        const std::string before = [&] {
            const auto copy = dir / "before.nvl";
            EXPECT_TRUE(NativeFile::save(copy.string(), data, &routes, false));
            return test::readFileBytes(copy);
        }();
        data.track()->setModified(1); // saving cleared it
        prompts.entries.clear();
        const auto r = loadBytes(c.bytes);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(0, r.read) << c.what;
        ASSERT_EQ(1u, prompts.entries.size()) << c.what;
        const auto& e = prompts.entries[0];
        const std::string shown = e.kind == "message" ? e.title + ": " + e.text : "Error " + std::to_string(e.number) + ": " + e.text;
        EXPECT_EQ(c.message, shown.substr(0, c.message.size())) << c.what;
        EXPECT_EQ(1, data.track()->modified()) << c.what;
        EXPECT_EQ(0, data.waypoints()->modified()) << c.what;
        const auto after = dir / "after.nvl";
        ASSERT_TRUE(NativeFile::save(after.string(), data, &routes, false));
        EXPECT_EQ(before, test::readFileBytes(after)) << c.what;
    }
    // The whole file still reads: the cases above failed for their damage only.
    EXPECT_TRUE(loadBytes(whole).ok);
    expectSameData(writer, written, data, routes);
}

// Every cut of a valid file is refused with one message and leaves an empty
// data set empty: no store is replaced by a part of the file.
TEST_F(NativeFileTest, TruncatedAtEveryByte) {
    fill(data, routes);
    const auto path = dir / "whole.nvl";
    ASSERT_TRUE(data.save(path.string(), &routes));
    const std::string whole = test::readFileBytes(path);
    for (std::size_t n = 0; n < whole.size(); ++n) {
        RecordingPrompts p;
        FixedTimeZone z;
        IFTGarminData d{DataContext{p, z}};
        CRouteField r(1);
        const std::string cut = whole.substr(0, n);
        const auto result = NativeFile::loadFromMemory(
            {reinterpret_cast<const unsigned char*>(cut.data()), cut.size()}, "cut.nvl", d, r);
        EXPECT_FALSE(result.ok) << n;
        EXPECT_EQ(1u, p.entries.size()) << n; // one clear message
        EXPECT_EQ(nullptr, d.track()) << n;
        EXPECT_EQ(nullptr, d.waypoints()) << n;
        EXPECT_EQ(0, d.timeOffset()) << n;
        EXPECT_TRUE(r.RouteCount() == 1 && r.GetRouteName(0) == "ROUTE-00") << n;
    }
}

TEST_F(NativeFileTest, OldVersionsTruncatedAtEveryByte) {
    for (const std::string& whole : {version2File().s, version4File().s}) {
        for (std::size_t n = 20; n < whole.size(); ++n) {
            RecordingPrompts p;
            FixedTimeZone z;
            IFTGarminData d{DataContext{p, z}};
            CRouteField r(1);
            const std::string cut = whole.substr(0, n);
            const auto result = NativeFile::loadFromMemory(
                {reinterpret_cast<const unsigned char*>(cut.data()), cut.size()}, "cut.nvl", d, r);
            EXPECT_FALSE(result.ok) << n;
            EXPECT_EQ(1u, p.entries.size()) << n;
            EXPECT_EQ(nullptr, d.track()) << n;
            EXPECT_EQ(nullptr, d.waypoints()) << n;
            EXPECT_TRUE(r.RouteCount() == 1 && r.GetRouteName(0) == "ROUTE-00") << n;
        }
    }
}

TEST_F(NativeFileTest, CountsLargerThanTheFile) {
    // Two billion points would be 64 GB: refused before anything is allocated.
    Bytes b = Bytes::header(5, 108, 116, 120);
    b.u32(2000000000).u32(1).u32(0).u32(0);
    const auto r = loadBytes(b.s);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(0, r.read);
    EXPECT_EQ(nullptr, data.track());
    ASSERT_EQ(1u, messages().size());
    EXPECT_EQ("Error: \"test.nvl\" is damaged: its track section promises 2000000000 points but the file holds at "
              "most 0; it was not read further",
              messages()[0]);

    // Counts that overflow what a check in 32 bits would see.
    Bytes w = Bytes::header(5, 108, 116, 120);
    w.u32(0).u32(0).u32(0xFFFFFFFF).u32(0);
    Bytes rc = Bytes::header(5, 108, 116, 120);
    rc.u32(0).u32(0).u32(0).u32(0x7FFFFFFF);
    Bytes re = Bytes::header(5, 108, 116, 120); // two routes whose entry counts overflow 32 bits when added
    re.u32(0).u32(0).u32(0).u32(2);
    re.u32(0xFFFFFFFF).text("A", 64).u32(0).u32(0xFFFFFFFF).text("B", 64).u32(0);
    for (const Bytes& bad : {w, rc, re}) {
        routes = CRouteField(3);
        EXPECT_FALSE(loadBytes(bad.s).ok);
        EXPECT_EQ(nullptr, data.track());
        EXPECT_EQ(3u, routes.RouteCount());
    }
}

TEST_F(NativeFileTest, OffsetsOutsideTheFile) {
    for (std::int32_t bad : {1000000, 0x7FFFFFFF, -4, 124}) {
        for (int section = 0; section < 3; ++section) {
            std::int32_t off[3] = {108, 116, 120};
            off[section] = bad;
            Bytes b = Bytes::header(5, off[0], off[1], off[2]);
            b.u32(0).u32(0).u32(0).u32(0); // 124 bytes: offset 124 is the very end
            fill(data, routes);
            prompts.entries.clear();
            const auto r = loadBytes(b.s);
            EXPECT_FALSE(r.ok) << bad << " " << section;
            EXPECT_EQ(1u, messages().size()) << bad << " " << section;
            EXPECT_EQ(5u, data.track()->count()) << bad << " " << section;
            EXPECT_EQ(2u, data.waypoints()->count()) << bad << " " << section;
            EXPECT_EQ(2u, routes.RouteCount()) << bad << " " << section;
        }
    }
}

TEST_F(NativeFileTest, ShortHeaders) {
    // Magic and version present but the 108-byte header cut short.
    EXPECT_FALSE(loadBytes(Bytes::header(5, 108, 116, 120).s.substr(0, 60)).ok);
    EXPECT_FALSE(loadBytes(Bytes::header(5, 108, 116, 120).s.substr(0, 12)).ok);
    EXPECT_EQ(2u, messages().size());
    EXPECT_EQ(nullptr, data.track());
    // A version 1 file that ends in its 20-byte header or its count.
    Bytes v1;
    v1.text("NUVREL", 16).i32(1).u32(1);
    EXPECT_FALSE(loadBytes(v1.s).ok);
    EXPECT_EQ(nullptr, data.track());
}

} // namespace
} // namespace nuvrel
