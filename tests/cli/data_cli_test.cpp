// nuvrel-cli info and upgrade, run as the real program.
#include "cli_data_file.h"
#include "core/data/native_file.h"


#include <algorithm>
#include <cstring>
#include <filesystem>

namespace nuvrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

using test::runCli;

using CliRun = test::ProgramRun;

std::string le(std::int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

std::string point24(double lat, std::int16_t segment) {
    std::string p(24, '\0');
    std::memcpy(p.data(), &lat, 8);
    std::memcpy(p.data() + 20, &segment, 2);
    return p;
}

// A version 1 file: three points in segments 1, 1, 2.
std::string version1File() {
    std::string b = "NUVREL" + std::string(10, '\0') + le(1) + le(3) + le(2);
    b += point24(35.1, 1) + point24(35.2, 1) + point24(35.3, 2);
    return b;
}

struct DataCli : ::testing::Test {
    TempDir dir;
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
};

TEST_F(DataCli, InfoOfAVersion5File) {
    IFTGarminData data{DataContext{prompts, zone}};
    std::vector<TrackPoint> pts(4);
    pts[0].segment = pts[1].segment = 1;
    pts[2].segment = pts[3].segment = 3;
    data.setTrack(std::make_unique<IFTGarminTrack>(pts));
    data.setWaypoints(std::make_unique<IFTGarminWaypoint>());
    data.waypoints()->append("W", 0, 0, "", 0);
    data.setTimeOffset(-32400);
    CRouteField routes(2);
    routes.AddRouteEntry(1, "A", 0, 0, "", 0, 0, 0, 0);
    const auto path = (dir / "five.nvl").string();
    ASSERT_TRUE(data.save(path, &routes));

    const CliRun r = runCli(dir, {"info", path});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ("file: " + path +
                  "\nversion: 5\ntime offset: -32400 s\npoints: 4\nsegments: 2 (last segment number 3)\n"
                  "  segment 1: points 0-1 (2)\n  segment 3: points 2-3 (2)\nwaypoints: 1\nroutes: 2\n"
                  "  route 0 \"ROUTE-00\": 0 entries\n  route 1 \"ROUTE-01\": 1 entry\n",
              r.out);
    EXPECT_EQ("", r.err);
}

TEST_F(DataCli, InfoOfAVersion1File) {
    const auto path = dir / "one.nvl";
    test::writeFileBytes(path, version1File());
    const CliRun r = runCli(dir, {"info", path.string()});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("version: 1\ntime offset: 0 s (from this computer's time zone"));
    EXPECT_NE(std::string::npos, r.out.find("points: 3\nsegments: 2 (last segment number 2)\n"
                                            "  segment 1: points 0-1 (2)\n  segment 2: points 2-2 (1)\n"));
    EXPECT_NE(std::string::npos, r.out.find("waypoints: none (no waypoint section)\nroutes: none (no route section)"));
}

TEST_F(DataCli, UpgradeWritesVersion5) {
    const auto oldPath = dir / "old.nvl";
    const auto newPath = dir / "new.nvl";
    test::writeFileBytes(oldPath, version1File());
    const CliRun r = runCli(dir, {"upgrade", oldPath.string(), newPath.string()});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("version 5, from version 1"));

    IFTGarminData data{DataContext{prompts, zone}};
    CRouteField routes(0);
    const auto result = NativeFile::load(newPath.string(), data, routes);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(5, result.version);
    ASSERT_EQ(3u, data.track()->count());
    EXPECT_DOUBLE_EQ(35.3, data.track()->latitude(2));
    EXPECT_EQ(0.0f, data.track()->altitude(2));
    EXPECT_EQ(0u, data.waypoints()->count());
    EXPECT_EQ(0u, routes.RouteCount());
    EXPECT_EQ(108u + 8 + 3 * 32 + 4 + 4, fs::file_size(newPath));
    EXPECT_TRUE(prompts.entries.empty());
}

// Each zone in a fresh process: the offset of the zone's current rules on
// every path that reads the zone (a version 1 file carries none).
TEST_F(DataCli, RealZonesGiveTheOffsetOfTheirCurrentRules) {
    const auto oldPath = dir / "old.nvl";
    test::writeFileBytes(oldPath, version1File());
    const auto text = dir / "track.txt";
    test::writeFileBytes(text, " 35.658083,139.770000,  12.50,1,983793600\n");
    const struct {
        const char* zone;
        std::int32_t offset;
    } cases[] = {{"Asia/Tokyo", -32400},      {"Asia/Seoul", -32400},       {"Asia/Shanghai", -28800},
                 {"Europe/Moscow", -10800},   {"Europe/Istanbul", -10800},  {"America/Phoenix", 25200},
                 {"America/Sao_Paulo", 10800}, {"UTC", 0},                   {"Europe/Berlin", -7200},
                 {"America/New_York", 14400}, {"America/St_Johns", 9000}};
    for (const auto& c : cases) {
        const std::vector<std::string> env{"XDG_CONFIG_HOME=" + (dir / "config").string(), std::string("TZ=") + c.zone};
        const CliRun info = test::runProgram(NUVREL_CLI, {"info", oldPath.string()}, env);
        EXPECT_NE(info.out.find("time offset: " + std::to_string(c.offset) + " s"), std::string::npos)
            << c.zone << "\n" << info.out;
        const auto upgraded = dir / "new.nvl";
        EXPECT_EQ(test::runProgram(NUVREL_CLI, {"upgrade", oldPath.string(), upgraded.string()}, env).status, 0);
        const auto imported = dir / "imported.nvl";
        fs::remove(imported);
        EXPECT_EQ(test::runProgram(NUVREL_CLI, {"import", "text", text.string(), "-o", imported.string()}, env).status,
                  0);
        for (const auto& file : {upgraded, imported})
            EXPECT_EQ(test::readFileBytes(file).substr(104, 4), le(c.offset)) << c.zone << " " << file;
    }
}

// Waypoints of old files take the display option of the selected receiver,
// as an import gives them (3 for a D104 receiver).
TEST_F(DataCli, UpgradeTakesTheSelectedModelsDisplayDefault) {
    std::string b = "NUVREL" + std::string(10, '\0') + le(3) + le(108) + le(116) + le(0) + std::string(72, '\0') +
                    le(-32400);
    b += le(0) + le(0) + le(1) + std::string(24, '\0') + "TOP" + std::string(5, '\0');
    const auto oldPath = dir / "old.nvl";
    const auto newPath = dir / "new.nvl";
    test::writeFileBytes(oldPath, b);
    fs::create_directories(dir / "config/Ostrel");
    test::writeFileBytes(dir / "config/Ostrel/NuvRel.conf", "[General]\nGPSModelID=72\n");
    ASSERT_EQ(runCli(dir, {"upgrade", oldPath.string(), newPath.string()}).status, 0);
    IFTGarminData data{DataContext{prompts, zone}};
    CRouteField routes(0);
    ASSERT_TRUE(NativeFile::load(newPath.string(), data, routes).ok);
    ASSERT_EQ(data.waypoints()->count(), 1u);
    EXPECT_EQ(data.waypoints()->ident(0), "TOP");
    EXPECT_EQ(data.waypoints()->display(0), 3);
}

TEST_F(DataCli, HelpNamesTheYesOption) {
    const CliRun r = runCli(dir, {"--help"});
    EXPECT_NE(r.out.find("--yes  answer Yes to the questions"), std::string::npos) << r.out;
}

TEST_F(DataCli, BadInputFailsWithOneLine) {
    const auto lower = dir / "lower.nvl";
    std::string bytes = version1File();
    bytes.replace(0, 6, "nuvrel");
    test::writeFileBytes(lower, bytes);
    const auto cut = dir / "cut.nvl";
    test::writeFileBytes(cut, version1File().substr(0, 40));
    const auto v6 = dir / "v6.nvl";
    test::writeFileBytes(v6, "NUVREL" + std::string(10, '\0') + le(6));

    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"info", lower.string()}, 1, "error 7: not a NUVREL file\n"},
        {{"info", v6.string()}, 1, "error 10: unsupport version/format\n"},
        {{"info", (dir / "absent.nvl").string()}, 1, ""},
        {{"info", cut.string()}, 1, ""},
        {{"upgrade", cut.string(), (dir / "out.nvl").string()}, 1, ""},
        {{"info"}, 2, ""},
        {{"upgrade", lower.string()}, 2, ""},
        {{"info", "--bogus", lower.string()}, 2, ""},
    };
    for (const auto& c : cases) {
        const CliRun r = runCli(dir, c.args);
        EXPECT_EQ(c.status, r.status) << c.args.back();
        EXPECT_EQ(1, std::count(r.err.begin(), r.err.end(), '\n')) << r.err;
        if (!c.err.empty()) {
            EXPECT_EQ(c.err, r.err);
        }
        EXPECT_EQ("", r.out);
    }
    EXPECT_FALSE(fs::exists(dir / "out.nvl")); // nothing written from a damaged file
}

// A data file damaged after a readable track: every verb refuses it and
// leaves the files it would write as they were.
TEST_F(DataCli, DamagedInputLeavesOutputFilesAlone) {
    IFTGarminData data{DataContext{prompts, zone}};
    std::vector<TrackPoint> pts(3);
    for (std::size_t i = 0; i < pts.size(); ++i)
        pts[i] = TrackPoint{35.0 + 0.01 * double(i), 139.0, 1000000u + std::uint32_t(i), 1, 0, 100, 0};
    data.setTrack(std::make_unique<IFTGarminTrack>(pts));
    data.setWaypoints(std::make_unique<IFTGarminWaypoint>());
    data.waypoints()->append("W1", 35, 139, "", 0);
    data.waypoints()->append("W2", 35.1, 139.1, "", 0);
    CRouteField routes(1);
    const auto good = dir / "good.nvl";
    ASSERT_TRUE(data.save(good.string(), &routes));
    const auto damaged = dir / "damaged.nvl";
    const std::string cut = test::readFileBytes(good).substr(0, 108 + 8 + 3 * 32 + 4 + 116 + 10);
    test::writeFileBytes(damaged, cut);
    const auto track = dir / "track.txt";
    ASSERT_EQ(0, runCli(dir, {"export", "text", good.string(), "-o", track.string(), "--track"}).status);

    const std::string d = damaged.string();
    const auto out = [&](const char* name) { return (dir / name).string(); };
    const std::vector<std::vector<std::string>> cases = {
        {"export", "text", d, "-o", out("out.txt"), "--track"},
        {"export", "gpx", d, "-o", out("out.gpx")},
        {"retime", d, "-o", out("out.nvl"), "--weeks", "1"},
        {"upgrade", d, out("out.nvl")},
        {"import", "text", track.string(), "-o", d, "--track"},
#ifdef NUVREL_CLI_RENDER
        {"render", d, "-o", out("out.bmp"), "--fit", "100x100"},
#endif
    };
    for (const char* name : {"out.txt", "out.gpx", "out.nvl", "out.bmp"})
        test::writeFileBytes(dir / name, "kept");
    for (const auto& args : cases) {
        const CliRun r = runCli(dir, args);
        EXPECT_EQ(1, r.status) << args[0] << " " << r.err;
        EXPECT_NE(std::string::npos, r.err.find("is damaged")) << args[0] << " " << r.err;
        for (const char* name : {"out.txt", "out.gpx", "out.nvl", "out.bmp"})
            EXPECT_EQ("kept", test::readFileBytes(dir / name)) << args[0] << " " << name;
        EXPECT_EQ(cut, test::readFileBytes(damaged)) << args[0];
    }
}

} // namespace
} // namespace nuvrel
