// The flight report on the real flight logs that come with the reference
// scorer, imported as nuvrel-cli import igc imports them: one flight per
// flight flown, found as a pilot would find it.
#include "core/analysis/flight_report.h"
#include "core/formats/igc_reader.h"

#include "support/igc_reference.h"

#include <gtest/gtest.h>


namespace nuvrel {
namespace {

// One flight per flight flown (lunch-break.igc holds two, with the lunch
// between), placed where the glider was in the air: a climb into wind or a
// pause in the log mid-air does not end it, the settling of the GPS altitude
// at switch-on does not start it.
TEST(FlightReportRealLogs, OneFlightPerFlightFlown) {
    const auto logs = test::realIgcLogs();
    if (logs.empty())
        GTEST_SKIP() << "the npm references are not installed (scripts/install-deps)";
    for (const auto& log : logs) {
        const std::string name = log.filename().string();
        SCOPED_TRACE(name);
        const IgcRead r = readIgcFile(log.string(), "WGS 84");
        ASSERT_EQ(r.error, "");
        const FlightReport rep = buildFlightReport(r.points, -1, ContestRules::XContest, "WGS 84", false);
        ASSERT_EQ(rep.flights.size(), name == "lunch-break.igc" ? 2u : 1u);
        const FlightReportEntry& f = rep.flights.back();
        if (name == "d3p.igc") {
            EXPECT_GT(f.takeoffTime, r.points[0].time + 30.0); // the altitude settles for a minute
        }
        if (name == "discontinuity.igc") {
            EXPECT_GT(f.landing + 100, r.points.size()); // the flight goes on after the pause
        }
    }
}

} // namespace
} // namespace nuvrel
