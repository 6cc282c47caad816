// nuvrel-cli for flight logs: the pilot and glider settings, IGC and KML export,
// retime, and the week-number rollover on download.
#include "core/data/ift_garmin_data.h"
#include "core/data/native_file.h"
#include "core/data/week_rollover.h"
#include "support/flight_generator.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>

#ifdef NUVREL_GPSSIM
#include "sim_process.h"
#endif

namespace nuvrel {
namespace {

using test::readFileBytes;
using test::TempDir;

test::ProgramRun run(const TempDir& dir, const std::vector<std::string>& args, std::string env = {}) {
    std::vector<std::string> envs{"XDG_CONFIG_HOME=" + (dir / "config").string()};
    if (!env.empty())
        envs.push_back(env);
    return test::runProgram(NUVREL_CLI, args, envs);
}

// A data file of two flights in segments 1 and 2, held in WGS 84.
std::vector<TrackPoint> writeFlights(const std::string& path, std::uint32_t startTime) {
    test::FlightPlan plan;
    plan.startTime = startTime;
    plan.walkBefore = plan.walkAfter = 60;
    std::vector<TrackPoint> points = test::generateFlight(plan);
    plan.segment = 2;
    plan.startTime += 20000;
    const auto second = test::generateFlight(plan);
    points.insert(points.end(), second.begin(), second.end());
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    IFTGarminData data(DataContext{prompts, zone, [] { return std::int16_t{0}; }});
    data.setTrack(std::make_unique<IFTGarminTrack>(points));
    EXPECT_TRUE(NativeFile::save(path, data, nullptr));
    return points;
}

std::vector<TrackPoint> loadTrack(const std::string& path) {
    test::RecordingPrompts prompts;
    test::FixedTimeZone zone;
    IFTGarminData data(DataContext{prompts, zone, [] { return std::int16_t{0}; }});
    CRouteField routes(0);
    if (!NativeFile::load(path, data, routes).ok || !data.track())
        return {};
    return {data.track()->points().begin(), data.track()->points().end()};
}

std::size_t fixCount(const std::string& igc) { return std::size_t(std::count(igc.begin(), igc.end(), '\n')) - 8; }

TEST(FlightLogsCli, IgcExportOfTheFlightTheLogOrASegment) {
    TempDir dir;
    const std::string nvl = (dir / "data.nvl").string(), igc = (dir / "out.igc").string();
    const auto points = writeFlights(nvl, 362538000);
    test::ProgramRun r = run(dir, {"settings", "--pilot", "Hana Sato", "--glider", "Ozone Rush 6", "--glider-id", "D-1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("PilotName: Hana Sato\nGliderType: Ozone Rush 6\nGliderID: D-1\n"), std::string::npos) << r.out;

    const std::size_t half = points.size() / 2;
    struct Case {
        std::vector<std::string> options;
        std::size_t fixes;
    } cases[] = {
        {{"--whole"}, points.size()},
        {{"--segment", "2"}, half},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"export", "igc", nvl, "-o", igc, "--datum", "WGS 84"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        r = run(dir, args);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string text = readFileBytes(igc);
        EXPECT_EQ(fixCount(text), c.fixes) << text.substr(0, 400);
        EXPECT_NE(r.out.find("igc: " + std::to_string(c.fixes) + " fixes; 0 points left out"), std::string::npos);
        EXPECT_NE(text.find("HFPLTPILOTINCHARGE:Hana Sato\r\n"), std::string::npos);
    }

    // Without an option: the flight longest in the air, with 60 of the 120 s
    // on foot before and after it (take-off and landing within a few fixes).
    ASSERT_EQ(run(dir, {"export", "igc", nvl, "-o", igc, "--datum", "WGS 84"}).status, 0);
    EXPECT_NEAR(double(fixCount(readFileBytes(igc))), double(half - 60), 8);

    ASSERT_EQ(run(dir, {"export", "igc", nvl, "-o", igc, "--pilot", "Ken Ito"}).status, 0);
    EXPECT_NE(readFileBytes(igc).find("HFPLTPILOTINCHARGE:Ken Ito\r\nHFGTYGLIDERTYPE:Ozone Rush 6\r\n"),
              std::string::npos);

    // The report's second flight: within segment 2, a minute of ground each side.
    ASSERT_EQ(run(dir, {"export", "igc", nvl, "-o", igc, "--flight", "2"}).status, 0);
    const std::string second = readFileBytes(igc);
    EXPECT_NEAR(double(fixCount(second)), double(half - 60), 8); // take-off and landing placed within a few fixes
    const std::time_t segment2 = std::time_t(points[half].time) + 631065600;
    char hms[8];
    std::strftime(hms, sizeof hms, "%H%M%S", std::gmtime(&segment2));
    EXPECT_GT(second.substr(second.find("\r\nB") + 3, 6), hms);

    struct Refused {
        std::vector<std::string> options;
        int status;
        const char* said;
    } refused[] = {
        {{"--segment", "9"}, 1, "holds no segment 9"},
        {{"--flight", "3"}, 1, "holds no flight 3"},
        {{"--flight", "0"}, 2, "--flight wants a flight number from 1"},
        {{"--whole", "--segment", "1"}, 2, "give only one of"},
        {{"--segment", "1", "--flight", "1"}, 2, "give only one of"},
    };
    for (const Refused& c : refused) {
        std::vector<std::string> args{"export", "igc", nvl, "-o", (dir / "none.igc").string()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        r = run(dir, args);
        EXPECT_EQ(r.status, c.status) << c.said;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "none.igc"));
    }
    EXPECT_EQ(run(dir, {"export", "text", nvl, "-o", igc, "--whole"}).status, 2);

    const std::string kml = (dir / "out.kml").string();
    r = run(dir, {"export", "kml", nvl, "-o", kml});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string text = readFileBytes(kml);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::ptrdiff_t(points.size() + 13)) << "a line per point";
}

// An exported log read back: the same fixes in the datum set from the command
// line; two logs become two segments; a damaged log names its line and leaves
// the data file as it was.
TEST(FlightLogsCli, IgcImportReadsBackWhatTheExportWrote) {
    TempDir dir;
    const std::string nvl = (dir / "data.nvl").string(), igc = (dir / "out.igc").string();
    const auto points = writeFlights(nvl, 362538000);
    test::ProgramRun r = run(dir, {"settings", "--datum", "wgs 84"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("DatumName: WGS 84\n"), std::string::npos) << r.out;
    ASSERT_EQ(run(dir, {"export", "igc", nvl, "-o", igc, "--whole"}).status, 0);
    const std::string second = (dir / "second.igc").string();
    ASSERT_EQ(run(dir, {"export", "igc", nvl, "-o", second, "--segment", "2"}).status, 0);

    const std::string back = (dir / "back.nvl").string();
    r = run(dir, {"import", "igc", igc, "-o", back});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("igc: altitude: GNSS\n"), std::string::npos) << r.out;
    const auto read = loadTrack(back);
    ASSERT_EQ(read.size(), points.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].time, points[i].time) << i;
        EXPECT_NEAR(read[i].latitude, points[i].latitude, 1e-5) << i; // a thousandth of a minute
        EXPECT_NEAR(read[i].longitude, points[i].longitude, 1e-5) << i;
        EXPECT_NEAR(read[i].altitude, points[i].altitude, 0.5) << i;
        EXPECT_EQ(read[i].segment, 1);
    }

    r = run(dir, {"import", "igc", second, igc, "-o", back});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("last segment 2"), std::string::npos) << r.out;

    const std::string before = readFileBytes(back);
    test::writeFileBytes(dir / "bad.igc", "AXXX\r\nHFDTE010203\r\nB1200004700000N00800000EA0000000100\r\nB12000\r\n");
    r = run(dir, {"import", "igc", (dir / "bad.igc").string(), "-o", back});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("bad.igc: line 4: B record too short"), std::string::npos) << r.err;
    EXPECT_EQ(readFileBytes(back), before);
}

TEST(FlightLogsCli, RetimeMovesEveryTrackTimeByWholeWeeks) {
    TempDir dir;
    const std::string nvl = (dir / "data.nvl").string(), out = (dir / "out.nvl").string();
    const auto points = writeFlights(nvl, 362538000);
    test::ProgramRun r = run(dir, {"retime", nvl, "-o", out, "--weeks", "1024"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto moved = loadTrack(out);
    ASSERT_EQ(moved.size(), points.size());
    for (std::size_t i = 0; i < points.size(); ++i)
        ASSERT_EQ(std::int64_t(moved[i].time) - points[i].time, 1024 * kWeekSeconds) << i;

    r = run(dir, {"retime", nvl, "-o", (dir / "bad.nvl").string(), "--weeks", "-1024"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("1989-12-31 to 2126"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "bad.nvl"));
}

#ifdef NUVREL_GPSSIM
TEST(FlightLogsCli, DownloadFindsAndFixesTheWeekRollover) {
    TempDir dir;
    const std::string receiver = (dir / "receiver.nvl").string(), nvl = (dir / "data.nvl").string();
    // Flown this morning, dated by the receiver 1024 weeks early.
    const std::int64_t flown = std::int64_t(std::time(nullptr)) - 6 * 3600 - 1024 * kWeekSeconds;
    const auto points = writeFlights(receiver, std::uint32_t(flown - kReceiverEpochOffset));
    test::SimProcess sim({"--product-id", "130", "--data", receiver});
    ASSERT_TRUE(sim.started());
    const std::vector<std::string> args{"download", "track", "-o", nvl, "--model-id", "130", "--datum", "WGS 84"};
    test::ProgramRun r = run(dir, args, "NUVREL_COM1=" + sim.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("the receiver's dates are 1024 weeks behind"), std::string::npos) << r.out;
    EXPECT_EQ(loadTrack(nvl).front().time, points.front().time);

    auto fixArgs = args;
    fixArgs.push_back("--fix-rollover");
    r = run(dir, fixArgs, "NUVREL_COM1=" + sim.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("dates corrected: 1024 weeks added"), std::string::npos) << r.out;
    const auto fixed = loadTrack(nvl);
    ASSERT_EQ(fixed.size(), points.size());
    EXPECT_EQ(std::int64_t(fixed.back().time) - points.back().time, 1024 * kWeekSeconds);
}
#endif

} // namespace
} // namespace nuvrel
