// nuvrel-cli analyse, run as the real program on a generated flight.
#include "core/analysis/flight_analysis.h"
#include "core/analysis/track_listing.h"
#include "cli_data_file.h"
#include "support/flight_generator.h"

namespace nuvrel {
namespace {

using test::runCli;

struct AnalyseCli : test::CliDataFile {
    std::string save() { return CliDataFile::save("flight.nvl"); }
    void twoFlights() {
        test::FlightPlan a;
        a.cycles = 2;
        test::FlightPlan b = a;
        b.segment = 2;
        b.startTime += 7200;
        auto points = test::generateFlight(a);
        for (const auto& p : test::generateFlight(b))
            points.push_back(p);
        data.setTrack(std::make_unique<IFTGarminTrack>(std::move(points)));
        data.setTimeOffset(-32400);
    }
    // The analysis rows as the command prints them.
    static std::string analysisLines(const FlightAnalysis& a) {
        std::string out;
        for (const auto& [caption, value] : flightAnalysisRows(a))
            out += caption + std::string(18 - caption.size(), ' ') + value + "\n";
        return out;
    }
};

TEST_F(AnalyseCli, SummaryAndWholeLogFlight) {
    twoFlights();
    const IFTGarminTrack& track = *data.track();
    const test::ProgramRun r = runCli(dir, {"analyse", save()});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rows = trackListRows(track);
    const std::string summary = "Track Summary\n"
                                "Track No.  Dist[km]   Time[s]    Vel[km/h]\n"
                                "1          " + rows[0][1] + "  " + rows[0][2] + "  " + rows[0][3] + "\n"
                                "2          " + rows[1][1] + "  " + rows[1][2] + "  " + rows[1][3] + "\n"
                                "TOTAL      " + rows[2][1] + "\n";
    EXPECT_EQ(r.out.substr(0, summary.size()), summary);
    const FlightRange range = detectFlight(track, -1, 10.0);
    const std::string flight = "\nFlight Analysis (whole log)\n"
                               "take-off: point " + std::to_string(range.takeOff + 1) + " at " +
                               pointTimeText(track.unixTime(range.takeOff) + 32400) + "\n"
                               "landing:  point " + std::to_string(range.landing + 1) + " at " +
                               pointTimeText(track.unixTime(range.landing) + 32400) + "\n" +
                               analysisLines(analyseFlight(track, range));
    EXPECT_EQ(r.out.substr(summary.size()), flight);
    EXPECT_NE(r.out.find("Air Time[min]     00:07:44"), std::string::npos) << r.out;
}

TEST_F(AnalyseCli, SegmentsAndDetail) {
    twoFlights();
    const IFTGarminTrack& track = *data.track();
    const std::string path = save();
    test::ProgramRun r = runCli(dir, {"analyse", path, "--segment", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Flight Analysis (segment 2)\n"), std::string::npos);
    EXPECT_NE(r.out.find(analysisLines(analyseFlight(track, detectFlight(track, 2, 10.0)))), std::string::npos);

    r = runCli(dir, {"analyse", path, "--segments", "1-2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(analysisLines(analyseFlight(track, flightOfSegments(track, 1, 2)))), std::string::npos);

    r = runCli(dir, {"analyse", path, "--detail", "1", "--total-time"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto detail = trackDetailRows(track, 1, -32400, true);
    EXPECT_NE(r.out.find("Track Detail (segment 1)\nPoint No  Dist[km]  Time[s]    Vel[km/h]  dir[deg]   TIME"),
              std::string::npos)
        << r.out;
    // One line per point, the last with the segment's whole time.
    const std::string last = detail.back()[0];
    EXPECT_NE(r.out.find("\n" + last + std::string(10 - last.size(), ' ') + detail.back()[1]), std::string::npos);
    EXPECT_NE(r.out.find(detail.back()[2]), std::string::npos);

    r = runCli(dir, {"analyse", path, "--detail", "9"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("(segment 9 is not in the track log)\n"), std::string::npos);
}

TEST_F(AnalyseCli, BadInput) {
    EXPECT_EQ(runCli(dir, {"analyse", (dir / "missing.nvl").string()}).status, 1);
    data.setWaypoints(std::make_unique<IFTGarminWaypoint>());
    const std::string path = save();
    test::ProgramRun r = runCli(dir, {"analyse", path});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "no track log\n");
    EXPECT_EQ(runCli(dir, {"analyse", path, "--segment", "x"}).status, 2);
    EXPECT_EQ(runCli(dir, {"analyse", path, "--segments", "3"}).status, 2);
    EXPECT_EQ(runCli(dir, {"analyse", path, "--segment", "1", "--segments", "1-2"}).status, 2);
    EXPECT_EQ(runCli(dir, {"analyse"}).status, 2);
    EXPECT_EQ(runCli(dir, {"analyse", path, "--wind"}).status, 2);
}

} // namespace
} // namespace nuvrel
