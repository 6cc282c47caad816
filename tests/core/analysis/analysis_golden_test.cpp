// The analysis of generated flights, dumped as text and compared with the
// reference in golden/. A change in the output fails the test and prints the
// new text.
//
// To re-baseline on purpose (after a deliberate change of the analysis or of
// the generated flights), run
//     NUVREL_REBASELINE=1 build/tests/test_core_analysis --gtest_filter='AnalysisGolden.*'
// which rewrites the reference files; review the diff before committing it.
#include "core/analysis/flight_analysis.h"
#include "core/analysis/track_listing.h"
#include "core/data/ift_garmin_track.h"
#include "support/flight_generator.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace nuvrel {
namespace {

const std::filesystem::path kGolden = std::filesystem::path(NUVREL_SOURCE_DIR) / "tests/core/analysis/golden";

std::string fmt(const char* format, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

// Everything the analysis finds, at full precision, then the texts of the
// windows.
std::string dump(const IFTGarminTrack& track, const std::string& title) {
    std::string out = "# " + title + "\n";
    out += "points " + std::to_string(track.count()) + ", segments " + std::to_string(track.segmentCount()) + "\n";
    const FlightAnalysis a = analyseFlight(track, detectFlight(track, -1, kFlightThresholdKmh));
    out += "take-off " + std::to_string(a.range.takeOff) + ", landing " + std::to_string(a.range.landing) + "\n";
    out += "air time " + fmt("%.3f", a.airTime) + " s\n";
    out += "distance " + fmt("%.6f", a.distance) + " km\n";
    out += "average speed " + fmt("%.6f", a.averageSpeed) + " km/h\n";
    out += "wind 1 " + fmt("%.6f", a.wind.force1) + " km/h from " + fmt("%.6f", a.wind.direction1) + "\n";
    out += "wind 2 " + fmt("%.6f", a.wind.force2) + " km/h from " + fmt("%.6f", a.wind.direction2) + "\n";
    out += "\n[Flight Analysis]\n";
    for (const auto& [caption, value] : flightAnalysisRows(a))
        out += caption + "\t" + value + "\n";
    out += "\n[Track Summary]\n";
    for (std::size_t c = 0; c < kTrackListHeader.size(); ++c)
        out += (c ? "|" : "") + kTrackListHeader[c];
    out += "\n";
    for (const auto& row : trackListRows(track)) {
        for (std::size_t c = 0; c < row.size(); ++c)
            out += (c ? "|" : "") + row[c];
        out += "\n";
    }
    out += "\n[Track Detail, segment 1, every 25th point]\n";
    const auto rows = trackDetailRows(track, 1, -32400, false);
    for (std::size_t i = 0; i < rows.size(); i += 25) {
        for (std::size_t c = 0; c < rows[i].size(); ++c)
            out += (c ? "|" : "") + rows[i][c];
        out += "\n";
    }
    return out;
}

void compareWithGolden(const std::string& name, const std::string& text) {
    const auto path = kGolden / name;
    if (std::getenv("NUVREL_REBASELINE")) {
        std::filesystem::create_directories(kGolden);
        test::writeFileBytes(path, text);
        GTEST_SKIP() << "rewrote " << path;
    }
    ASSERT_TRUE(std::filesystem::exists(path)) << path << " is missing; see the note at the top of this file";
    EXPECT_EQ(test::readFileBytes(path), text) << "the analysis of " << name << " changed; new text:\n" << text;
}

TEST(AnalysisGolden, ThermallingFlightInAWestWind) {
    test::FlightPlan plan; // 15 km/h from the west
    compareWithGolden("thermal_flight_west_wind.txt", dump(IFTGarminTrack(test::generateFlight(plan)),
                                                           "thermals and glides, wind 15 km/h from 270"));
}

TEST(AnalysisGolden, TwoFlightsInTwoSegments) {
    test::FlightPlan a;
    a.cycles = 2;
    a.windKmh = 12;
    a.windFromDeg = 200;
    test::FlightPlan b = a;
    b.segment = 2;
    b.startTime += 7200;
    b.latitude += 0.05;
    b.circleLeft = true;
    auto points = test::generateFlight(a);
    for (const auto& p : test::generateFlight(b))
        points.push_back(p);
    compareWithGolden("two_segments.txt",
                      dump(IFTGarminTrack(std::move(points)), "two flights, wind 12 km/h from 200, segment 2 apart"));
}

} // namespace
} // namespace nuvrel
